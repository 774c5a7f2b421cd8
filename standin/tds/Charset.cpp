#include "standin/tds/Charset.h"

#include <cerrno>
#include <iconv.h>

namespace standin::tds {

namespace {

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::string& out, char32_t c) {
    auto unit = [&out](char32_t u) {
        out += static_cast<char>(u & 0xFF);
        out += static_cast<char>((u >> 8) & 0xFF);
    };
    if (c >= 0x10000) {
        c -= 0x10000;
        unit(0xD800 + (c >> 10));
        unit(0xDC00 + (c & 0x3FF));
    } else {
        unit(c);
    }
}

// Decodes one UTF-8 sequence at s[i]; advances i. Malformed input yields U+FFFD.
char32_t nextUtf8(const std::string& s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i++]);
    if (b0 < 0x80)
        return b0;
    int extra = 0;
    char32_t c = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1;
        c = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2;
        c = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3;
        c = b0 & 0x07;
    } else {
        return 0xFFFD;
    }
    for (int k = 0; k < extra; ++k) {
        if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 0xFFFD;
        c = (c << 6) | (static_cast<unsigned char>(s[i++]) & 0x3F);
    }
    static const char32_t minimum[] = {0, 0x80, 0x800, 0x10000};
    if (c < minimum[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0xFFFD;
    return c;
}

// Runs iconv over the whole input; on an unconvertible or invalid character emits '?' (or
// U+FFFD towards UTF-8) and skips one input character of the source encoding.
std::string convert(const std::string& in, const char* to, const char* from, bool fromUtf8) {
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return {};
    std::string out;
    out.reserve(in.size() * 2 + 8);
    char* inPtr = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        std::size_t outLeft = sizeof buffer;
        const std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
        if (rc != static_cast<std::size_t>(-1))
            continue;
        if (errno == E2BIG)
            continue;
        // EILSEQ or EINVAL (truncated multibyte tail): replace one source character.
        std::size_t skip = 1;
        if (fromUtf8) {
            const std::string rest(inPtr, inLeft);
            std::size_t i = 0;
            nextUtf8(rest, i);
            skip = i;
        }
        if (fromUtf8)
            out += '?';
        else
            out += "\xEF\xBF\xBD";
        inPtr += skip;
        inLeft -= skip;
    }
    iconv_close(cd);
    return out;
}

} // namespace

std::string Charset::utf16leToUtf8(const std::uint8_t* data, std::size_t bytes) {
    std::string out;
    out.reserve(bytes);
    const std::size_t units = bytes / 2;
    for (std::size_t i = 0; i < units; ++i) {
        char32_t u = data[2 * i] | (data[2 * i + 1] << 8);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t lo = data[2 * i + 2] | (data[2 * i + 3] << 8);
            if (lo >= 0xDC00 && lo <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (lo - 0xDC00));
                ++i;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF)
            u = 0xFFFD;
        appendUtf8(out, u);
    }
    return out;
}

std::string Charset::utf8ToUtf16le(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size() * 2);
    std::size_t i = 0;
    while (i < utf8.size())
        appendUtf16(out, nextUtf8(utf8, i));
    return out;
}

std::string Charset::toUtf8(const std::string& bytes, const char* codePage) {
    return convert(bytes, "UTF-8", codePage, false);
}

std::string Charset::fromUtf8(const std::string& utf8, const char* codePage) {
    return convert(utf8, codePage, "UTF-8", true);
}

const char* Charset::codePageForCollation(const std::uint8_t* c) {
    const unsigned lcid = c[0] | (c[1] << 8) | ((c[2] & 0x0F) << 16);
    const unsigned sortId = c[4];
    if (sortId != 0) // SQL collations the clients use are all Latin-1 based
        return "CP1252";
    switch (lcid) {
    case 0x0404:
    case 0x0C04:
    case 0x1404:
        return "CP950";
    case 0x0411:
        return "CP932";
    case 0x0412:
        return "CP949";
    case 0x0409:
    case 0x0809:
    case 0x0407:
    case 0x040C:
    case 0x0410:
    case 0x0C0A:
        return "CP1252";
    default:
        return "CP936";
    }
}

} // namespace standin::tds
