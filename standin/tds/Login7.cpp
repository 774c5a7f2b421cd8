#include "standin/tds/Login7.h"

#include "standin/tds/ByteReader.h"
#include "standin/tds/Charset.h"

namespace standin::tds {

namespace {

constexpr std::size_t FixedPart = 86;

bool field(const std::vector<std::uint8_t>& payload, std::size_t at, bool obfuscated,
           std::string& out) {
    ByteReader r(payload.data() + at, payload.size() - at);
    std::uint16_t offset = 0, chars = 0;
    if (!r.u16le(offset) || !r.u16le(chars))
        return false;
    const std::size_t bytes = static_cast<std::size_t>(chars) * 2;
    if (static_cast<std::size_t>(offset) + bytes > payload.size())
        return false;
    std::vector<std::uint8_t> text(payload.begin() + offset, payload.begin() + offset + bytes);
    if (obfuscated) {
        // The client swapped each byte's nibbles and XORed it with 0xA5; undo in reverse.
        for (std::uint8_t& b : text) {
            b ^= 0xA5;
            b = static_cast<std::uint8_t>((b << 4) | (b >> 4));
        }
    }
    out = Charset::utf16leToUtf8(text.data(), text.size());
    return true;
}

} // namespace

bool Login7::parse(const std::vector<std::uint8_t>& payload, Login7Request& out) {
    if (payload.size() < FixedPart)
        return false;
    ByteReader r(payload.data(), payload.size());
    std::uint32_t total = 0;
    if (!r.u32le(total) || !r.u32le(out.tdsVersion) || !r.u32le(out.packetSize))
        return false;
    if (total > payload.size())
        return false;
    return field(payload, 36, false, out.hostName) && field(payload, 40, false, out.userName) &&
           field(payload, 44, true, out.password) && field(payload, 48, false, out.appName) &&
           field(payload, 52, false, out.serverName) && field(payload, 60, false, out.library) &&
           field(payload, 64, false, out.language) && field(payload, 68, false, out.database);
}

} // namespace standin::tds
