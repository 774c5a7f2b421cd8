#include "standin/tds/PacketReader.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace standin::tds {

namespace {

constexpr std::size_t HeaderSize = 8;
constexpr std::size_t MaxMessageSize = 64u * 1024 * 1024;
// How long the rest of a started packet may take before the peer counts as broken.
constexpr int StallTimeoutMs = 30000;

bool knownType(std::uint8_t type) {
    switch (type) {
    case SqlBatch:
    case Rpc:
    case Attention:
    case TransactionManager:
    case Login7:
    case PreLogin:
        return true;
    default:
        return false;
    }
}

} // namespace

PacketReader::Io PacketReader::readExact(std::uint8_t* data, std::size_t size, bool waitIdle) {
    std::size_t done = 0;
    while (done < size) {
        // An idle connection may wait forever for its next request; a half-sent one may not.
        if (!waitIdle || done > 0) {
            pollfd p{m_fd, POLLIN, 0};
            const int ready = poll(&p, 1, StallTimeoutMs);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready <= 0)
                return Io::Error;
        }
        const ssize_t n = recv(m_fd, data + done, size - done, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return Io::Error;
        if (n == 0)
            return done == 0 && waitIdle ? Io::Eof : Io::Error;
        done += static_cast<std::size_t>(n);
    }
    return Io::Ok;
}

PacketReader::Result PacketReader::read(TdsMessage& message) {
    message.type = 0;
    message.payload.clear();
    bool first = true;
    for (;;) {
        std::uint8_t header[HeaderSize];
        const Io io = readExact(header, HeaderSize, first);
        if (io == Io::Eof)
            return Result::Closed;
        if (io != Io::Ok)
            return Result::Malformed;
        const std::uint8_t type = header[0];
        const std::uint8_t status = header[1];
        const std::size_t length = (static_cast<std::size_t>(header[2]) << 8) | header[3];
        if (!knownType(type) || length < HeaderSize)
            return Result::Malformed;
        if (!first && type != message.type) {
            // A cancel may cut a request short; anything else mixing types is broken framing.
            if (type != Attention)
                return Result::Malformed;
            message.payload.clear();
        }
        message.type = type;
        const std::size_t bodySize = length - HeaderSize;
        if (message.payload.size() + bodySize > MaxMessageSize)
            return Result::Malformed;
        const std::size_t old = message.payload.size();
        message.payload.resize(old + bodySize);
        if (bodySize > 0 && readExact(message.payload.data() + old, bodySize, false) != Io::Ok)
            return Result::Malformed;
        if ((status & 0x01) || type == Attention)
            return Result::Message;
        first = false;
    }
}

} // namespace standin::tds
