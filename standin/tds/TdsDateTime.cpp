#include "standin/tds/TdsDateTime.h"

#include <cmath>
#include <cstdio>

namespace standin::tds {

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

const std::int64_t Epoch1900 = daysFromCivil(1900, 1, 1);
const std::int64_t MinDays = daysFromCivil(1753, 1, 1) - Epoch1900;
const std::int64_t MaxDays = daysFromCivil(9999, 12, 31) - Epoch1900;

bool digits(const std::string& s, std::size_t& i, int count, int& value) {
    value = 0;
    for (int k = 0; k < count; ++k, ++i) {
        if (i >= s.size() || s[i] < '0' || s[i] > '9')
            return false;
        value = value * 10 + (s[i] - '0');
    }
    return true;
}

bool expect(const std::string& s, std::size_t& i, char c) {
    if (i >= s.size() || s[i] != c)
        return false;
    ++i;
    return true;
}

unsigned daysInMonth(int y, int m) {
    static const unsigned table[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : table[m - 1];
}

} // namespace

bool TdsDateTime::fromText(const std::string& text, std::int32_t& days, std::uint32_t& ticks) {
    std::size_t i = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!digits(text, i, 4, y) || !expect(text, i, '-') || !digits(text, i, 2, mo) ||
        !expect(text, i, '-') || !digits(text, i, 2, d))
        return false;
    double fraction = 0;
    if (i < text.size()) {
        if (text[i] != ' ' && text[i] != 'T')
            return false;
        ++i;
        if (!digits(text, i, 2, h) || !expect(text, i, ':') || !digits(text, i, 2, mi))
            return false;
        if (i < text.size()) {
            if (!expect(text, i, ':') || !digits(text, i, 2, s))
                return false;
            if (i < text.size()) {
                if (!expect(text, i, '.') || i >= text.size())
                    return false;
                double scale = 0.1;
                for (; i < text.size(); ++i, scale /= 10) {
                    if (text[i] < '0' || text[i] > '9')
                        return false;
                    fraction += (text[i] - '0') * scale;
                }
            }
        }
    }
    if (mo < 1 || mo > 12 || d < 1 || static_cast<unsigned>(d) > daysInMonth(y, mo) || h > 23 ||
        mi > 59 || s > 59)
        return false;
    std::int64_t dayCount =
        daysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) - Epoch1900;
    // Milliseconds first (as the text carries them), then to ticks, rounding to nearest.
    const double ms = std::round(fraction * 1000.0);
    std::uint64_t t = static_cast<std::uint64_t>(h * 3600 + mi * 60 + s) * 300 +
                      static_cast<std::uint64_t>(std::llround(ms * 0.3));
    if (t >= TicksPerDay) {
        t -= TicksPerDay;
        ++dayCount;
    }
    if (dayCount < MinDays || dayCount > MaxDays)
        return false;
    days = static_cast<std::int32_t>(dayCount);
    ticks = static_cast<std::uint32_t>(t);
    return true;
}

bool TdsDateTime::toText(std::int32_t days, std::uint32_t ticks, std::string& text) {
    if (days < MinDays || days > MaxDays || ticks >= TicksPerDay)
        return false;
    std::int64_t y = 0;
    unsigned m = 0, d = 0;
    civilFromDays(Epoch1900 + days, y, m, d);
    const unsigned seconds = ticks / 300;
    const unsigned ms = ((ticks % 300) * 10 + 1) / 3; // 1/300 s -> ms, rounded: 299 -> 997
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u %02u:%02u:%02u.%03u", static_cast<int>(y),
                  m, d, seconds / 3600, seconds / 60 % 60, seconds % 60, ms);
    text = buffer;
    return true;
}

bool TdsDateTime::smallToText(std::uint16_t days, std::uint16_t minutes, std::string& text) {
    if (minutes >= 24 * 60)
        return false;
    return toText(days, static_cast<std::uint32_t>(minutes) * 60 * 300, text);
}

} // namespace standin::tds
