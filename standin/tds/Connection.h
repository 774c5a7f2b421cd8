#pragma once

#include "standin/engine/Catalogue.h"
#include "standin/engine/EngineSession.h"
#include "standin/tds/PacketReader.h"
#include "standin/tds/PacketWriter.h"
#include "standin/tds/RpcRequest.h"
#include "standin/tds/StatementLog.h"
#include "standin/tds/TokenWriter.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace standin::tds {

// One client, served on its own thread from PRELOGIN to EOF: login, SQL batches, RPCs,
// attentions, and the prepared handles of sp_prepare/sp_prepexec. A malformed request ends
// this connection only; the engine session is closed (rolling back) whatever the reason.
class Connection {
  public:
    // log, when given, receives every statement text this client runs.
    Connection(int fd, std::uint16_t spid, Catalogue& catalogue, std::string serverName,
               StatementLog* log = nullptr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void run();
    // From another thread: makes a blocked read return so run() ends promptly.
    void interrupt();
    bool finished() const { return m_finished; }

  private:
    struct Prepared {
        std::string statement;
        std::vector<std::string> paramNames;
    };

    void serve();
    bool login();
    bool sendLoginFailure(const std::vector<Message>& messages, bool wide);
    bool handleBatch(const TdsMessage& message);
    bool handleRpc(const TdsMessage& message);
    void runCall(const RpcCall& call, TokenWriter& out, bool last);
    void appendOutcomes(TokenWriter& out, const std::vector<StatementOutcome>& outcomes,
                        std::uint8_t doneToken, bool moreAfterLast);
    bool executeParams(const RpcCall& call, std::size_t firstValue,
                       const std::vector<std::string>& names, std::vector<Param>& params,
                       std::vector<Message>& errors);
    void endProc(TokenWriter& out, bool failed, bool last, const RpcParam* handleParam,
                 std::int32_t handle);
    void sendError(TokenWriter& out, const Message& m, bool last);
    bool reply(const TokenWriter& tokens);
    std::vector<StatementOutcome> execute(const std::string& sql, const std::vector<Param>& params);

    int m_fd;
    std::uint16_t m_spid;
    Catalogue& m_catalogue;
    std::string m_serverName;
    StatementLog* m_log;
    PacketReader m_reader;
    PacketWriter m_writer;
    std::unique_ptr<EngineSession> m_session;
    std::map<std::int32_t, Prepared> m_prepared;
    std::int32_t m_nextHandle = 1;
    std::atomic<bool> m_finished{false};
};

} // namespace standin::tds
