#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace standin::tds {

// Sends one reply message, split into packets of the negotiated size.
class PacketWriter {
  public:
    static constexpr std::size_t DefaultPacketSize = 4096;

    PacketWriter(int fd, std::uint16_t spid) : m_fd(fd), m_spid(spid) {}
    // False when the peer is gone.
    bool send(std::uint8_t type, const std::vector<std::uint8_t>& payload,
              std::size_t packetSize = DefaultPacketSize);

  private:
    bool sendAll(const std::uint8_t* data, std::size_t size);

    int m_fd;
    std::uint16_t m_spid;
};

} // namespace standin::tds
