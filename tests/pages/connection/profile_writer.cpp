// Writes COUNT keys PREFIX0.. into a profile file from a process of its own, so tests can
// race two writers or make the file system refuse a write.
// Usage: profile_writer FILE SECTION PREFIX COUNT [MAX_FILE_BYTES]

#include "pages/connection/ProfileFile.h"

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char** argv) {
    if (argc < 5)
        return 2;
    if (argc > 5) {
        // Stands in for a full disk: writes beyond the limit fail with EFBIG.
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = rlim_t(QByteArray(argv[5]).toULongLong());
        const rlimit r{limit, limit};
        setrlimit(RLIMIT_FSIZE, &r);
    }
    const QString file = QString::fromLocal8Bit(argv[1]);
    const QString section = QString::fromLocal8Bit(argv[2]);
    const QString prefix = QString::fromLocal8Bit(argv[3]);
    const int count = atoi(argv[4]);
    const ProfileFile profile(file);
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        if (const auto written = profile.write(section, prefix + n, u'v' + n); !written) {
            fprintf(stderr, "%s\n", qPrintable(written.error));
            return 1;
        }
    }
    return 0;
}
