#include "standin/tds/Prelogin.h"

#include "standin/tds/ByteReader.h"

namespace standin::tds {

bool Prelogin::parse(const std::vector<std::uint8_t>& payload, bool& askedMars) {
    askedMars = false;
    ByteReader r(payload.data(), payload.size());
    for (;;) {
        std::uint8_t option = 0;
        if (!r.u8(option))
            return false;
        if (option == 0xFF)
            return true;
        const std::uint8_t* p = nullptr;
        if (!r.bytes(4, p))
            return false;
        const std::size_t offset = (p[0] << 8) | p[1];
        const std::size_t length = (p[2] << 8) | p[3];
        if (offset + length > payload.size())
            return false;
        if (option == 0x04)
            askedMars = true;
    }
}

std::vector<std::uint8_t> Prelogin::reply(bool withMars) {
    struct Option {
        std::uint8_t token;
        std::vector<std::uint8_t> data;
    };
    std::vector<Option> options{
        {0x00, {0x08, 0x00, 0x07, 0xF7, 0x00, 0x00}}, {0x01, {0x02}}, {0x02, {0x00}}, {0x03, {}}};
    if (withMars)
        options.push_back({0x04, {0x00}});
    std::vector<std::uint8_t> out;
    std::size_t offset = options.size() * 5 + 1;
    for (const Option& o : options) {
        out.insert(out.end(), {o.token, static_cast<std::uint8_t>(offset >> 8),
                               static_cast<std::uint8_t>(offset), 0,
                               static_cast<std::uint8_t>(o.data.size())});
        offset += o.data.size();
    }
    out.push_back(0xFF);
    for (const Option& o : options)
        out.insert(out.end(), o.data.begin(), o.data.end());
    return out;
}

} // namespace standin::tds
