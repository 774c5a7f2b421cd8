#include "pages/connection/ProfileFile.h"

#include "pages/connection/ProfileDocument.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using WriteResult = ProfileFile::WriteResult;

WriteResult fail(const QString& text) {
    return {false, text};
}

QString systemError(const QString& what, const QString& path, int err = errno) {
    return QStringLiteral("%1 %2: %3").arg(what, path, QString::fromLocal8Bit(strerror(err)));
}

class Fd {
  public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    int release() { return std::exchange(m_fd, -1); }
    void reset(int fd = -1) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = fd;
    }

  private:
    int m_fd;
};

// A bare name is looked up in the given directory, or the current working directory at the
// time of the call (not the Windows directory).
QString resolve(const QString& directory, const QString& file) {
    const QDir dir = directory.isEmpty() ? QDir::current() : QDir(directory);
    const QFileInfo info(dir.absoluteFilePath(file));
    // Write through a symbolic link rather than replacing the link with a plain file.
    const QString target = info.isSymLink() ? info.canonicalFilePath() : QString();
    return target.isEmpty() ? info.absoluteFilePath() : target;
}

bool validName(const QString& name) {
    return !name.isEmpty() && name.trimmed() == name && !name.contains(u'\r') &&
           !name.contains(u'\n') && !name.contains(QChar(0));
}

// Names and values that would split or hide the line; the Windows functions would write
// them and the file would then say something else.
QString invalidArgument(const QString& section, const QString& key, const QString& value) {
    if (!validName(section) || section.contains(u']'))
        return QStringLiteral("Invalid section name \"%1\"").arg(section);
    if (!validName(key) || key.contains(u'=') || key.startsWith(u'[') || key.startsWith(u';'))
        return QStringLiteral("Invalid key name \"%1\"").arg(key);
    if (value.contains(u'\r') || value.contains(u'\n') || value.contains(QChar(0)))
        return QStringLiteral("A value must be a single line");
    return {};
}

bool writeAll(int fd, const QByteArray& data) {
    const char* p = data.constData();
    qsizetype left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        left -= n;
    }
    return true;
}

bool readAll(const QString& path, QByteArray* out) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    *out = f.readAll();
    return f.error() == QFile::NoError;
}

// Writes `data` to a new file beside `path` and renames it over `path`, so readers see the
// old or the new file, never a torn one. The temporary file never outlives a failure.
WriteResult replaceFile(const QString& path, const QByteArray& data, const struct stat* old) {
    const QFileInfo info(path);
    QByteArray tmpPath;
    Fd fd;
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
        const QString name = QStringLiteral(".%1.%2.tmp")
                                 .arg(info.fileName())
                                 .arg(QString::number(QRandomGenerator::global()->generate(), 16));
        tmpPath = QFile::encodeName(info.dir().filePath(name));
        // 0666 lets the umask decide for a new file, as for any file an editor would create.
        fd.reset(::open(tmpPath.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST)
            return fail(systemError(QStringLiteral("Cannot create a file in"), info.path()));
    }
    if (!fd.valid())
        return fail(QStringLiteral("Cannot create a temporary file in %1").arg(info.path()));

    auto discard = [&](const QString& what) {
        const int err = errno;
        fd.reset();
        ::unlink(tmpPath.constData());
        return fail(systemError(what, path, err));
    };
    if (old) {
        // Only root can give the file back to its owner; others create files as themselves.
        if (geteuid() == 0 && ::fchown(fd.get(), old->st_uid, old->st_gid) != 0)
            return discard(QStringLiteral("Cannot keep the owner of"));
        if (::fchmod(fd.get(), old->st_mode & 07777) != 0)
            return discard(QStringLiteral("Cannot keep the permissions of"));
    }
    if (!writeAll(fd.get(), data))
        return discard(QStringLiteral("Cannot write"));
    if (::fsync(fd.get()) != 0)
        return discard(QStringLiteral("Cannot flush"));
    if (::close(fd.release()) != 0)
        return discard(QStringLiteral("Cannot write"));
    if (::rename(tmpPath.constData(), QFile::encodeName(path).constData()) != 0)
        return discard(QStringLiteral("Cannot replace"));
    return {};
}

} // namespace

ProfileFile::ProfileFile(const QString& fileName, const QString& directory)
    : m_fileName(fileName), m_directory(directory) {}

QString ProfileFile::path() const {
    return resolve(m_directory, m_fileName);
}

QString ProfileFile::read(const QString& section, const QString& key,
                          const QString& defaultValue) const {
    // The Windows functions drop the default's trailing blanks (not tabs) before using it.
    QString fallback = defaultValue;
    while (fallback.endsWith(u' '))
        fallback.chop(1);
    // No lock: writers rename a complete file into place, so any read sees a whole file.
    QByteArray content;
    if (m_fileName.isEmpty() || !readAll(path(), &content))
        return fallback;
    return ProfileDocument(content).value(section, key).value_or(fallback);
}

ProfileFile::WriteResult ProfileFile::write(const QString& section, const QString& key,
                                            const QString& value) const {
    if (m_fileName.isEmpty())
        return fail(QStringLiteral("No profile file named"));
    if (const QString invalid = invalidArgument(section, key, value); !invalid.isEmpty())
        return fail(invalid);

    const QString path = this->path();
    const QString dirPath = QFileInfo(path).path();
    // The directory, not the file, carries the lock: the file is replaced by each write, and a
    // lock on a replaced file would no longer exclude anyone.
    Fd dir(::open(QFile::encodeName(dirPath).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!dir.valid())
        return fail(systemError(QStringLiteral("Cannot open the directory"), dirPath));
    while (::flock(dir.get(), LOCK_EX) != 0) {
        if (errno != EINTR)
            return fail(systemError(QStringLiteral("Cannot lock the directory"), dirPath));
    }

    struct stat st;
    const QByteArray nativePath = QFile::encodeName(path);
    const bool exists = ::stat(nativePath.constData(), &st) == 0;
    if (!exists && errno != ENOENT)
        return fail(systemError(QStringLiteral("Cannot examine"), path));
    QByteArray content;
    if (exists) {
        if (!S_ISREG(st.st_mode))
            return fail(QStringLiteral("%1 is not a regular file").arg(path));
        // Like the Windows read-only attribute, a cleared owner write bit protects the file
        // even from root, who could otherwise replace it.
        if (!(st.st_mode & S_IWUSR) || ::access(nativePath.constData(), W_OK) != 0)
            return fail(QStringLiteral("%1 is read-only").arg(path));
        if (!readAll(path, &content))
            return fail(systemError(QStringLiteral("Cannot read"), path));
    }

    ProfileDocument document(content);
    if (!document.setValue(section, key, value))
        return fail(QStringLiteral("The value cannot be stored in the encoding of %1").arg(path));
    if (WriteResult replaced = replaceFile(path, document.content(), exists ? &st : nullptr);
        !replaced)
        return replaced;
    ::fsync(dir.get()); // makes the rename durable; the file itself is already complete
    return {};
}
