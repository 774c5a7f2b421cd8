#include "services/platform/Platform.h"

#include "services/platform/WindowsPath.h"

#include <QDir>
#include <QFileInfo>
#include <QSysInfo>

namespace {

QString localPath(const QString& path) {
    return QString::fromStdString(WindowsPath::toLocal(path.toStdString()));
}

} // namespace

QString Platform::computerName() const {
    return m_nameFixed ? m_fixedName : QSysInfo::machineHostName();
}

QDate Platform::today() const {
    return m_fixedToday.isValid() ? m_fixedToday : QDate::currentDate();
}

QString Platform::currentDirectory() const {
    return QDir::currentPath();
}

bool Platform::directoryExists(const QString& path) const {
    return !path.isEmpty() && QFileInfo(localPath(path)).isDir();
}

int Platform::createDirectory(const QString& path) const {
    if (path.isEmpty())
        return -1;
    return QDir().mkpath(localPath(path)) && directoryExists(path) ? 1 : -1;
}
