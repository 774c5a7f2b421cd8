#pragma once

#include <QDate>
#include <QString>

// What the pages need from the machine they run on. Paths arrive Windows-style, as typed,
// and are read with the shared path rule before the local file system is touched.
class Platform {
  public:
    // The machine's network name; empty when it has none. Tests may fix it.
    QString computerName() const;
    void setComputerName(const QString& name) {
        m_fixedName = name;
        m_nameFixed = true;
    }

    // The workstation's current date. Tests may fix it; an invalid date goes back to the clock.
    QDate today() const;
    void setToday(const QDate& date) { m_fixedToday = date; }

    QString currentDirectory() const;
    bool directoryExists(const QString& path) const;
    // 1 on success, -1 on failure (missing parents are created too).
    int createDirectory(const QString& path) const;

  private:
    QString m_fixedName;
    bool m_nameFixed = false;
    QDate m_fixedToday;
};
