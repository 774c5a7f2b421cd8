#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace standin::tds {

// Conversions between the engine's UTF-8 and the wire encodings: UTF-16LE for N-types and
// the server code page (CP936, from the advertised Chinese_PRC_CI_AS collation) for VARCHAR.
class Charset {
  public:
    // Invalid sequences become U+FFFD rather than failing: text is data, not framing.
    static std::string utf16leToUtf8(const std::uint8_t* data, std::size_t bytes);
    static std::string utf8ToUtf16le(const std::string& utf8);

    // Single/double-byte code page <-> UTF-8 through iconv. Characters the target cannot hold
    // become '?' (as SQL Server does when storing into VARCHAR).
    static std::string toUtf8(const std::string& bytes, const char* codePage);
    static std::string fromUtf8(const std::string& utf8, const char* codePage);

    // The code page FreeTDS derives from a collation's LCID (our own collation: CP936).
    static const char* codePageForCollation(const std::uint8_t* collation5);
};

} // namespace standin::tds
