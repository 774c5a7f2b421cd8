#include "standin/tds/StatementLog.h"

#include <cerrno>
#include <cstring>

namespace standin::tds {

StatementLog::~StatementLog() {
    if (m_file)
        std::fclose(m_file);
}

bool StatementLog::open(const std::string& path, std::string& error) {
    m_file = std::fopen(path.c_str(), "ae");
    if (!m_file) {
        error = "cannot open statement log " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

void StatementLog::record(const std::string& statement) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_file)
        return;
    std::fwrite(statement.data(), 1, statement.size(), m_file);
    const char trailer[] = {'\n', kSeparator, '\n'};
    std::fwrite(trailer, 1, sizeof trailer, m_file);
    std::fflush(m_file);
}

} // namespace standin::tds
