#pragma once

#include "pages/connection/ProfileKeys.h"

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
    // On failure the file is left as it was.
    WriteResult write(const QString& section, const QString& key, const QString& value) const;

  private:
    QString m_fileName;
    QString m_directory;
};
