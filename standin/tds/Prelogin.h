#pragma once

#include <cstdint>
#include <vector>

namespace standin::tds {

// PRELOGIN: the option list a client sends and the server's answer. We never encrypt.
class Prelogin {
  public:
    // False when the option list is malformed (no terminator, data outside the payload).
    static bool parse(const std::vector<std::uint8_t>& payload, bool& askedMars);
    // VERSION 8.0.2039, ENCRYPTION 0x02 (not supported: the only value that keeps FreeTDS
    // from starting TLS), empty INSTOPT and THREADID, MARS off when it was asked about.
    static std::vector<std::uint8_t> reply(bool withMars);
};

} // namespace standin::tds
