#pragma once

#include <cstdint>
#include <string>

namespace standin::tds {

// DATETIME on the wire: signed days since 1900-01-01 and 1/300-second ticks since midnight.
// The engine's form is the text "YYYY-MM-DD HH:MM:SS.mmm".
class TdsDateTime {
  public:
    static constexpr std::uint32_t TicksPerDay = 300u * 86400u;

    // Accepts "YYYY-MM-DD", "YYYY-MM-DD HH:MM[:SS[.fff]]" and a 'T' separator; false when the
    // text is no date or lies outside SQL Server's DATETIME range (1753-01-01..9999-12-31).
    static bool fromText(const std::string& text, std::int32_t& days, std::uint32_t& ticks);
    // False when days or ticks are outside the DATETIME range.
    static bool toText(std::int32_t days, std::uint32_t ticks, std::string& text);
    // SMALLDATETIME: unsigned days and minutes since midnight.
    static bool smallToText(std::uint16_t days, std::uint16_t minutes, std::string& text);
};

} // namespace standin::tds
