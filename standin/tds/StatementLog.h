#pragma once

#include <cstdio>
#include <mutex>
#include <string>

namespace standin::tds {

// --log-statements: every statement text the server runs (SQL batches, and the statement of
// sp_executesql, sp_prepexec and each sp_execute), exactly as received, in arrival order. Each
// record is the text, a new line, then a line holding only the record separator character 0x1E,
// so texts of several lines stay whole. Shared by all connections; each record is flushed at
// once so a reader sees it as soon as the statement starts.
class StatementLog {
  public:
    static constexpr char kSeparator = '\x1e';

    StatementLog() = default;
    ~StatementLog();
    StatementLog(const StatementLog&) = delete;
    StatementLog& operator=(const StatementLog&) = delete;

    // Appends to path (created when missing); false with error set when it cannot be opened.
    bool open(const std::string& path, std::string& error);
    void record(const std::string& statement);

  private:
    std::mutex m_mutex;
    std::FILE* m_file = nullptr;
};

} // namespace standin::tds
