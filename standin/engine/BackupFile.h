#pragma once

#include <cstdint>
#include <string>

namespace standin {

// The stand-in's backup format: a short text header (database name, logical and original
// physical names of its two files, size of the data) followed by the SQLite data file as is,
// so a restore is one streaming copy.
class BackupFile {
  public:
    struct Header {
        std::string database;
        std::string dataLogical;
        std::string dataPath;
        std::string logLogical;
        std::string logPath;
        std::uint64_t dataSize = 0;
        std::uint64_t dataOffset = 0; // where the data starts in the file
    };
    enum class ReadStatus { Ok, Missing, Malformed };

    static ReadStatus readHeader(const std::string& localFile, Header& header);
    // Writes header + the content of dataFile to localFile (via a temporary name, so a
    // failure leaves no half-written backup).
    static bool write(const std::string& localFile, Header header, const std::string& dataFile,
                      std::string& error);
    // Streams the data part into target (created exclusively). False when it cannot.
    static bool copyData(const std::string& localFile, const Header& header,
                         const std::string& target);
};

} // namespace standin
