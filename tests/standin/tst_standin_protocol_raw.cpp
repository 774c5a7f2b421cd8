#include "tests/standin/tst_standin_protocol_raw.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

void putU16(QByteArray& b, int at, quint16 v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

void putU32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

QByteArray ucs2(const QString& s) {
    return QByteArray(reinterpret_cast<const char*>(s.utf16()), int(s.size() * 2));
}

} // namespace

RawClient::~RawClient() {
    if (m_fd >= 0)
        ::close(m_fd);
}

bool RawClient::connectTo(const QString& host, int port) {
    addrinfo hints{};
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (::getaddrinfo(host.toUtf8().constData(), QByteArray::number(port).constData(), &hints,
                      &found) != 0)
        return false;
    for (addrinfo* a = found; a && m_fd < 0; a = a->ai_next) {
        m_fd = ::socket(a->ai_family, a->ai_socktype, a->ai_protocol);
        if (m_fd >= 0 && ::connect(m_fd, a->ai_addr, a->ai_addrlen) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ::freeaddrinfo(found);
    return m_fd >= 0;
}

QByteArray RawClient::packet(quint8 type, const QByteArray& payload) {
    QByteArray p(8, '\0');
    p[0] = char(type);
    p[1] = 0x01;
    p[2] = char((payload.size() + 8) >> 8);
    p[3] = char((payload.size() + 8) & 0xFF);
    p[6] = 0x01;
    return p + payload;
}

QByteArray RawClient::login7(const QString& user, const QString& password, quint16 hostOffset,
                             const QString& database) {
    QByteArray fixed(86, '\0');
    putU32(fixed, 4, 0x71000001);
    putU32(fixed, 8, 4096);
    QByteArray data;
    auto field = [&](int at, const QByteArray& text) {
        putU16(fixed, at, static_cast<quint16>(86 + data.size()));
        putU16(fixed, at + 2, static_cast<quint16>(text.size() / 2));
        data += text;
    };
    QByteArray secret = ucs2(password);
    for (char& c : secret) {
        const auto b = static_cast<quint8>(c);
        c = char(((b << 4) | (b >> 4)) ^ 0xA5);
    }
    field(36, ucs2("raw"));
    field(40, ucs2(user));
    field(44, secret);
    field(68, ucs2(database));
    if (hostOffset)
        putU16(fixed, 36, hostOffset);
    QByteArray all = fixed + data;
    putU32(all, 0, static_cast<quint32>(all.size()));
    return all;
}

bool RawClient::sendBatch(const QString& sql) {
    return sendPacket(0x01, ucs2(sql));
}

void RawClient::reset() {
    const linger abort{1, 0};
    setsockopt(m_fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    ::close(m_fd);
    m_fd = -1;
}

bool RawClient::sendRaw(const QByteArray& bytes) {
    return ::send(m_fd, bytes.constData(), bytes.size(), MSG_NOSIGNAL) == bytes.size();
}

void RawClient::finishSending() {
    ::shutdown(m_fd, SHUT_WR);
}

bool RawClient::readExact(char* data, int size) {
    int done = 0;
    while (done < size) {
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0)
            return false;
        const ssize_t n = ::recv(m_fd, data + done, size_t(size - done), 0);
        if (n <= 0)
            return false;
        done += int(n);
    }
    return true;
}

QByteArray RawClient::readMessage() {
    QByteArray message;
    for (;;) {
        char header[8];
        if (!readExact(header, 8))
            return {};
        const int length = (quint8(header[2]) << 8) | quint8(header[3]);
        QByteArray body(length - 8, '\0');
        if (length < 8 || !readExact(body.data(), body.size()))
            return {};
        message += body;
        if (header[1] & 0x01)
            return message;
    }
}

bool RawClient::login(const QString& user, const QString& password, const QString& database) {
    // VERSION, then ENCRYPTION "not supported": a server that must encrypt refuses the login.
    const QByteArray prelogin = QByteArray::fromHex("00000b0006"
                                                    "0100110001"
                                                    "ff"
                                                    "070000000000"
                                                    "02");
    if (!sendPacket(0x12, prelogin) || readMessage().isEmpty())
        return false;
    if (!sendPacket(0x10, login7(user, password, 0, database)))
        return false;
    const QByteArray reply = readMessage();
    return reply.contains(char(0xAD));
}

bool RawClient::closedByPeer() {
    char buffer[4096];
    for (;;) {
        pollfd p{m_fd, POLLIN, 0};
        if (poll(&p, 1, 10000) <= 0)
            return false;
        const ssize_t n = ::recv(m_fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;
    }
}

bool RawClient::endsWithAttentionAck(const QByteArray& reply) {
    // DONE at TDS 7.1: token, status (DONE_ATTN 0x20), current command, a four-byte count.
    return reply.size() >= 9 && quint8(reply[reply.size() - 9]) == 0xFD &&
           (quint8(reply[reply.size() - 8]) & 0x20);
}
