#include "standin/engine/BackupFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace standin {

namespace {

const char kMagic[] = "STANDIN-BACKUP 1";
constexpr std::size_t kMaxHeader = 64 * 1024;

bool writeAll(int fd, const char* p, std::size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return false;
        p += w;
        n -= static_cast<std::size_t>(w);
    }
    return true;
}

// Copies n bytes from in (at its current offset) to out: in-kernel when possible.
bool copyBytes(int in, int out, std::uint64_t n) {
    while (n > 0) {
        const ssize_t c =
            ::copy_file_range(in, nullptr, out, nullptr,
                              static_cast<std::size_t>(std::min<std::uint64_t>(n, 1 << 30)), 0);
        if (c < 0 && errno == EINTR)
            continue;
        if (c <= 0)
            break;
        n -= static_cast<std::uint64_t>(c);
    }
    std::vector<char> buf(1 << 20);
    while (n > 0) {
        const ssize_t r = ::read(in, buf.data(),
                                 static_cast<std::size_t>(std::min<std::uint64_t>(n, buf.size())));
        if (r < 0 && errno == EINTR)
            continue;
        if (r <= 0 || !writeAll(out, buf.data(), static_cast<std::size_t>(r)))
            return false;
        n -= static_cast<std::uint64_t>(r);
    }
    return true;
}

} // namespace

BackupFile::ReadStatus BackupFile::readHeader(const std::string& localFile, Header& h) {
    const int fd = ::open(localFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return ReadStatus::Missing;
    struct stat sb {};
    if (::fstat(fd, &sb) != 0 || !S_ISREG(sb.st_mode)) {
        ::close(fd);
        return ReadStatus::Missing;
    }
    std::string head(kMaxHeader, '\0');
    const ssize_t r = ::pread(fd, head.data(), head.size(), 0);
    ::close(fd);
    if (r <= 0)
        return ReadStatus::Malformed;
    head.resize(static_cast<std::size_t>(r));
    const std::size_t end = head.find("\nend\n");
    if (head.rfind(kMagic, 0) != 0 || end == std::string::npos)
        return ReadStatus::Malformed;
    std::istringstream in(head.substr(0, end));
    std::string line;
    std::getline(in, line);
    bool sized = false;
    while (std::getline(in, line)) {
        std::vector<std::string> f;
        std::size_t start = 0, tab;
        while ((tab = line.find('\t', start)) != std::string::npos) {
            f.push_back(line.substr(start, tab - start));
            start = tab + 1;
        }
        f.push_back(line.substr(start));
        if (f[0] == "database" && f.size() == 2) {
            h.database = f[1];
        } else if (f[0] == "data" && f.size() == 3) {
            h.dataLogical = f[1];
            h.dataPath = f[2];
        } else if (f[0] == "log" && f.size() == 3) {
            h.logLogical = f[1];
            h.logPath = f[2];
        } else if (f[0] == "size" && f.size() == 2) {
            h.dataSize = std::strtoull(f[1].c_str(), nullptr, 10);
            sized = true;
        }
    }
    h.dataOffset = end + 5;
    if (h.database.empty() || h.dataLogical.empty() || h.logLogical.empty() || !sized ||
        h.dataOffset + h.dataSize != static_cast<std::uint64_t>(sb.st_size))
        return ReadStatus::Malformed;
    return ReadStatus::Ok;
}

bool BackupFile::write(const std::string& localFile, Header h, const std::string& dataFile,
                       std::string& error) {
    const int in = ::open(dataFile.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat sb {};
    if (in < 0 || ::fstat(in, &sb) != 0) {
        error = std::strerror(errno);
        if (in >= 0)
            ::close(in);
        return false;
    }
    h.dataSize = static_cast<std::uint64_t>(sb.st_size);
    std::string head = std::string(kMagic) + "\n";
    head += "database\t" + h.database + "\n";
    head += "data\t" + h.dataLogical + "\t" + h.dataPath + "\n";
    head += "log\t" + h.logLogical + "\t" + h.logPath + "\n";
    head += "size\t" + std::to_string(h.dataSize) + "\nend\n";
    const std::string tmp = localFile + ".standin-writing";
    const int out = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    bool ok = out >= 0 && writeAll(out, head.data(), head.size()) && copyBytes(in, out, h.dataSize);
    if (out >= 0)
        ok = (::close(out) == 0) && ok;
    ::close(in);
    ok = ok && std::rename(tmp.c_str(), localFile.c_str()) == 0;
    if (!ok) {
        error = std::strerror(errno);
        ::unlink(tmp.c_str());
    }
    return ok;
}

bool BackupFile::copyData(const std::string& localFile, const Header& h,
                          const std::string& target) {
    const int in = ::open(localFile.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        return false;
    const int out = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    bool ok = out >= 0 && ::lseek(in, static_cast<off_t>(h.dataOffset), SEEK_SET) >= 0 &&
              copyBytes(in, out, h.dataSize);
    if (out >= 0)
        ok = (::close(out) == 0) && ok;
    ::close(in);
    return ok;
}

} // namespace standin
