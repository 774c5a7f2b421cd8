#pragma once

#include <QByteArray>
#include <QString>

// A bare TCP client that speaks just enough TDS 7.1 to log in, so tests can see the server's
// tokens as they come and send bytes no real client would.
class RawClient {
  public:
    RawClient() = default;
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connectTo(const QString& host, int port);
    bool login(const QString& user, const QString& password,
               const QString& database = QStringLiteral("master"));
    bool sendRaw(const QByteArray& bytes);
    void finishSending();
    bool sendPacket(quint8 type, const QByteArray& payload) {
        return sendRaw(packet(type, payload));
    }
    bool sendBatch(const QString& sql);
    bool sendAttention() { return sendPacket(0x06, {}); }
    // Drops the connection with a reset, as a crashed client or a lost link does.
    void reset();
    // The payload of the next reply message (empty on timeout or close).
    QByteArray readMessage();
    // True once the server has closed the connection (within a few seconds).
    bool closedByPeer();
    // True when a reply ends with the DONE that acknowledges an attention.
    static bool endsWithAttentionAck(const QByteArray& reply);

    static QByteArray packet(quint8 type, const QByteArray& payload);
    // LOGIN7 at TDS 7.1; a non-zero hostOffset points the host name outside the payload.
    static QByteArray login7(const QString& user, const QString& password, quint16 hostOffset = 0,
                             const QString& database = QStringLiteral("master"));

  private:
    bool readExact(char* data, int size);
    int m_fd = -1;
};
