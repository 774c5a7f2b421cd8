#include "pages/connection/ProfileCodec.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace {

// Qt's own converters lack GB18030 unless Qt was built with ICU; glibc always has it.
class Iconv {
  public:
    Iconv(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (valid())
            iconv_close(m_cd);
    }
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }

    // Converts all of `in`. On an invalid sequence either fails or, with `replacement`,
    // emits it and skips one input byte.
    bool convert(QByteArrayView in, qsizetype outCapacity, QByteArray* out,
                 QByteArrayView replacement = {}) {
        if (!valid())
            return false;
        out->resize(outCapacity);
        char* src = const_cast<char*>(in.data());
        size_t srcLeft = size_t(in.size());
        char* dst = out->data();
        size_t dstLeft = size_t(outCapacity);
        while (srcLeft > 0) {
            if (iconv(m_cd, &src, &srcLeft, &dst, &dstLeft) != size_t(-1))
                break;
            if ((errno != EILSEQ && errno != EINVAL) || replacement.isEmpty() ||
                dstLeft < size_t(replacement.size()))
                return false;
            memcpy(dst, replacement.data(), size_t(replacement.size()));
            dst += replacement.size();
            dstLeft -= size_t(replacement.size());
            ++src;
            --srcLeft;
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        out->resize(outCapacity - qsizetype(dstLeft));
        return true;
    }

  private:
    iconv_t m_cd;
};

bool hasUnpairedSurrogate(const QString& text) {
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

constexpr QByteArrayView Utf8Bom{"\xEF\xBB\xBF"};
constexpr QByteArrayView Utf16LeBom{"\xFF\xFE"};
constexpr QByteArrayView Utf16BeBom{"\xFE\xFF"};

bool isUtf16(ProfileCodec::Encoding encoding) {
    return encoding == ProfileCodec::Encoding::Utf16Le ||
           encoding == ProfileCodec::Encoding::Utf16Be;
}

// An odd byte left at the end cannot be a code unit and reads as U+FFFD.
QString decodeUtf16(QByteArrayView bytes, ProfileCodec::Encoding encoding) {
    QString out;
    out.reserve(bytes.size() / 2 + 1);
    for (qsizetype i = 0; i + 1 < bytes.size(); i += 2)
        out += QChar(ProfileCodec::unitAt(bytes, i, encoding));
    if (bytes.size() % 2)
        out += QChar::ReplacementCharacter;
    return out;
}

QByteArray encodeUtf16(const QString& text, bool littleEndian) {
    QByteArray out;
    out.reserve(2 * text.size());
    for (QChar c : text) {
        const char lo = char(c.unicode() & 0xFF), hi = char(c.unicode() >> 8);
        out += littleEndian ? lo : hi;
        out += littleEndian ? hi : lo;
    }
    return out;
}

} // namespace

ProfileCodec::Encoding ProfileCodec::detect(QByteArrayView content) {
    if (content.startsWith(Utf8Bom))
        return Encoding::Utf8;
    if (content.startsWith(Utf16LeBom))
        return Encoding::Utf16Le;
    if (content.startsWith(Utf16BeBom))
        return Encoding::Utf16Be;
    return Encoding::Gb18030;
}

QByteArrayView ProfileCodec::bom(Encoding encoding) {
    switch (encoding) {
    case Encoding::Utf8:
        return Utf8Bom;
    case Encoding::Utf16Le:
        return Utf16LeBom;
    case Encoding::Utf16Be:
        return Utf16BeBom;
    case Encoding::Gb18030:
        break;
    }
    return {};
}

qsizetype ProfileCodec::unitSize(Encoding encoding) {
    return isUtf16(encoding) ? 2 : 1;
}

char16_t ProfileCodec::unitAt(QByteArrayView bytes, qsizetype at, Encoding encoding) {
    const auto byte = [&](qsizetype i) { return char16_t(uchar(bytes[i])); };
    switch (encoding) {
    case Encoding::Utf16Le:
        return char16_t(byte(at) | byte(at + 1) << 8);
    case Encoding::Utf16Be:
        return char16_t(byte(at) << 8 | byte(at + 1));
    default:
        return byte(at);
    }
}

QString ProfileCodec::decode(QByteArrayView bytes, Encoding encoding) {
    if (encoding == Encoding::Utf8)
        return QString::fromUtf8(bytes);
    if (isUtf16(encoding))
        return decodeUtf16(bytes, encoding);
    // Most lines are plain ASCII, which GB18030 leaves as it is.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return uchar(c) < 0x80; }))
        return QString::fromLatin1(bytes);
    // Worst case: every byte is invalid and becomes a three-byte U+FFFD.
    QByteArray utf8;
    Iconv("UTF-8", "GB18030").convert(bytes, 3 * bytes.size() + 4, &utf8, "\xEF\xBF\xBD");
    return QString::fromUtf8(utf8);
}

bool ProfileCodec::encode(const QString& text, Encoding encoding, QByteArray* out) {
    if (hasUnpairedSurrogate(text))
        return false;
    if (isUtf16(encoding)) {
        *out = encodeUtf16(text, encoding == Encoding::Utf16Le);
        return true;
    }
    const QByteArray utf8 = text.toUtf8();
    if (encoding == Encoding::Utf8) {
        *out = utf8;
        return true;
    }
    // No code point needs more GB18030 bytes than twice its UTF-8 length.
    return Iconv("GB18030", "UTF-8").convert(utf8, 2 * utf8.size() + 4, out);
}
