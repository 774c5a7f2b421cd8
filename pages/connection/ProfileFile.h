#pragma once

#include <QString>

// Single values of a Windows profile (INI) file, read and written the way the Windows profile
// functions do, so the hotel programs read what we write. Beyond those functions, a write
// replaces the file atomically, is serialised with other writers, and reports failure.
class ProfileFile {
  public:
    // The value, or `defaultValue` when the file, section or key is missing.
    static QString read(const QString& file, const QString& section, const QString& key,
                        const QString& defaultValue);
    // False, with the file left as it was, when the value could not be stored.
    static bool write(const QString& file, const QString& section, const QString& key,
                      const QString& value);
    // Why the last write of this thread failed.
    static QString lastError();
};
