#pragma once

#include "pages/connection/ProfileCodec.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// The content of a profile file as lines, looked up and changed the way the Windows profile
// functions do. Lines that a change does not touch keep their bytes exactly.
class ProfileDocument {
  public:
    explicit ProfileDocument(const QByteArray& content);

    // The value of the first matching key in the first matching section, with blanks and tabs
    // around it and one pair of enclosing quotes removed; nullopt when there is no such key.
    std::optional<QString> value(const QString& section, const QString& key) const;

    // Stores `key=value` as given. False when the text cannot be encoded in the file's encoding.
    bool setValue(const QString& section, const QString& key, const QString& value);

    QByteArray content() const;

  private:
    struct Line {
        QByteArray body; // without its line end
        QByteArray end;  // CRLF, LF or CR in the file's encoding; empty for an unterminated line
        QString text;    // the body decoded
    };
    struct Section {
        qsizetype header = -1;  // index of the section's header line
        qsizetype end = 0;      // one past its last line
        qsizetype lastKey = -1; // its last key line, if any
    };

    std::optional<Section> findSection(const QString& section) const;
    qsizetype findKey(const Section& section, const QString& key) const;
    void insertLine(qsizetype index, const QByteArray& bytes, const QString& text);

    ProfileCodec::Encoding m_encoding;
    QByteArray m_newLineEnd; // the end given to lines this document adds
    QList<Line> m_lines;
};
