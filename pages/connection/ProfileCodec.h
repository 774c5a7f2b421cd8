#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Text encoding of the profile file: GB18030 (a superset of the GBK the hotel programs use),
// or UTF-8 or UTF-16 when the file starts with their byte-order mark, as the Windows profile
// functions recognise them.
class ProfileCodec {
  public:
    enum class Encoding { Gb18030, Utf8, Utf16Le, Utf16Be };

    static Encoding detect(QByteArrayView content);
    // The byte-order mark that starts a file in this encoding; empty for GB18030.
    static QByteArrayView bom(Encoding encoding);
    // Bytes per code unit: line ends and other markers sit on multiples of it.
    static qsizetype unitSize(Encoding encoding);
    // The code unit at byte offset `at` (a multiple of unitSize); bytes above 0x7F of the
    // single-byte encodings come back as they are, which never equals an ASCII marker.
    static char16_t unitAt(QByteArrayView bytes, qsizetype at, Encoding encoding);
    // Undecodable bytes become U+FFFD; callers keep the original bytes for anything they rewrite.
    static QString decode(QByteArrayView bytes, Encoding encoding);
    // False when the text cannot be represented (e.g. an unpaired surrogate).
    static bool encode(const QString& text, Encoding encoding, QByteArray* out);
};
