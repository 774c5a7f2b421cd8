#pragma once

#include "pages/connection/ProfileKeys.h"

#include <QList>
#include <QString>

// One Windows profile (INI) file, read and written value by value the way the Windows profile
// functions do, so the hotel programs read what we write. Beyond those functions, a write
// replaces the file atomically, is serialised with other writers, and reports failure.
class ProfileFile {
  public:
    struct WriteResult {
        bool ok = true;
        QString error; // why the value could not be stored; empty on success
        explicit operator bool() const { return ok; }
    };

    // An empty directory means the current working directory at the time of each call, which is
    // where the hotel programs look for a bare file name.
    explicit ProfileFile(const QString& fileName = QString(ProfileKeys::FileName),
                         const QString& directory = QString());

    QString fileName() const { return m_fileName; }
    QString directory() const { return m_directory; }
    // The file a call would use now.
    QString path() const;

    // The value, or `defaultValue` without its trailing blanks when the file, section or key
    // is missing.
    QString read(const QString& section, const QString& key, const QString& defaultValue) const;
    // Stores the value as given, as the Windows function does. On failure the file is left as
    // it was.
    WriteResult write(const QString& section, const QString& key, const QString& value) const;

    struct Entry {
        QString section;
        QString key;
        QString value;
    };
    // Stores every entry in one replacement of the file: all of them, or on failure none. Each
    // value is written so that read() gives back exactly that value.
    WriteResult store(const QList<Entry>& entries) const;

    // The value as it must stand in the file to be read back unchanged: reading drops blanks
    // and tabs around a value and one pair of enclosing quotes, so a value that has either is
    // wrapped in double quotes.
    static QString readableAsIs(const QString& value);

  private:
    WriteResult replaceValues(const QList<Entry>& entries) const;

    QString m_fileName;
    QString m_directory;
};
