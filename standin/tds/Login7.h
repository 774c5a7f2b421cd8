#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace standin::tds {

struct Login7Request {
    std::uint32_t tdsVersion = 0; // as the client asked, e.g. 0x71000001 or 0x74000004
    std::uint32_t packetSize = 0;
    std::string hostName;
    std::string userName;
    std::string password; // de-obfuscated
    std::string appName;
    std::string serverName;
    std::string library;
    std::string language;
    std::string database;

    // Before LOGINACK, clients read token widths by the version they asked for.
    bool asksWide() const { return (tdsVersion >> 24) >= 0x72; }
};

// LOGIN7: strings are read through their offset/length pairs only, so the 7.1, 7.4 and pytds
// layouts all parse the same way.
class Login7 {
  public:
    static bool parse(const std::vector<std::uint8_t>& payload, Login7Request& out);
};

} // namespace standin::tds
