#pragma once

#include <cstdint>
#include <vector>

namespace standin::tds {

enum PacketType : std::uint8_t {
    SqlBatch = 0x01,
    Rpc = 0x03,
    Reply = 0x04,
    Attention = 0x06,
    TransactionManager = 0x0E,
    Login7 = 0x10,
    PreLogin = 0x12,
};

// One request: the payloads of its packets joined until the end-of-message bit.
struct TdsMessage {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
};

// Reads whole messages from a connected socket. Anything that does not look like a TDS
// packet (unknown type, impossible length, type changing inside a message, a packet that
// stalls half-way) is reported as Malformed so the caller can drop the connection.
class PacketReader {
  public:
    enum class Result { Message, Closed, Malformed };

    explicit PacketReader(int fd) : m_fd(fd) {}
    Result read(TdsMessage& message);

  private:
    enum class Io { Ok, Eof, Error };
    Io readExact(std::uint8_t* data, std::size_t size, bool waitIdle);

    int m_fd;
};

} // namespace standin::tds
