#include "standin/tds/PacketWriter.h"

#include <algorithm>
#include <cerrno>
#include <sys/socket.h>

namespace standin::tds {

bool PacketWriter::sendAll(const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool PacketWriter::send(std::uint8_t type, const std::vector<std::uint8_t>& payload,
                        std::size_t packetSize) {
    const std::size_t chunk = packetSize - 8;
    std::size_t offset = 0;
    std::uint8_t packetId = 1;
    std::vector<std::uint8_t> packet;
    do {
        const std::size_t n = std::min(chunk, payload.size() - offset);
        const bool last = offset + n == payload.size();
        const std::size_t length = n + 8;
        packet.assign({type, static_cast<std::uint8_t>(last ? 0x01 : 0x00),
                       static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length),
                       static_cast<std::uint8_t>(m_spid >> 8), static_cast<std::uint8_t>(m_spid),
                       packetId++, 0});
        packet.insert(packet.end(), payload.begin() + static_cast<std::ptrdiff_t>(offset),
                      payload.begin() + static_cast<std::ptrdiff_t>(offset + n));
        if (!sendAll(packet.data(), packet.size()))
            return false;
        offset += n;
    } while (offset < payload.size());
    return true;
}

} // namespace standin::tds
