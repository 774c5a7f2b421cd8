#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text encoding of the profile file: GB18030 (a superset of the GBK the hotel programs use),
// or UTF-8 when the file starts with a UTF-8 byte-order mark.
class ProfileCodec {
  public:
    enum class Encoding { Gb18030, Utf8 };

    static constexpr QByteArrayView Utf8Bom{"\xEF\xBB\xBF"};

    static Encoding detect(QByteArrayView content);
    // Undecodable bytes become U+FFFD; callers keep the original bytes for anything they rewrite.
    static QString decode(QByteArrayView bytes, Encoding encoding);
    // False when the text cannot be represented (e.g. an unpaired surrogate).
    static bool encode(const QString& text, Encoding encoding, QByteArray* out);
};
