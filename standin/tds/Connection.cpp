#include "standin/tds/Connection.h"

#include "standin/tds/Charset.h"
#include "standin/tds/Login7.h"
#include "standin/tds/ParamDeclaration.h"
#include "standin/tds/Prelogin.h"
#include "standin/tds/ResultSetEncoder.h"

#include <algorithm>
#include <cctype>
#include <sys/socket.h>
#include <unistd.h>

namespace standin::tds {

namespace {

constexpr std::uint8_t EnvDatabase = 1;
constexpr std::uint8_t EnvLanguage = 2;
constexpr std::uint8_t EnvPacketSize = 4;

Message info(int number, std::string text) {
    Message m;
    m.number = number;
    m.severity = 0;
    m.text = std::move(text);
    return m;
}

Message error(int number, int state, std::string text) {
    Message m;
    m.number = number;
    m.state = state;
    m.severity = 16;
    m.text = std::move(text);
    return m;
}

std::string lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Procedures may come by id or by name (FreeTDS names sp_execute); a name may carry a
// database/owner prefix.
std::uint16_t procedureId(const RpcCall& call) {
    if (call.procId != 0)
        return call.procId;
    std::string name = lower(call.procName);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name = name.substr(dot + 1);
    if (name == "sp_executesql")
        return RpcRequest::SpExecuteSql;
    if (name == "sp_prepare")
        return RpcRequest::SpPrepare;
    if (name == "sp_execute")
        return RpcRequest::SpExecute;
    if (name == "sp_prepexec")
        return RpcRequest::SpPrepExec;
    if (name == "sp_unprepare")
        return RpcRequest::SpUnprepare;
    return 0;
}

std::string procedureName(const RpcCall& call) {
    if (call.procId == 0)
        return call.procName;
    static const char* const names[] = {"",
                                        "sp_cursor",
                                        "sp_cursoropen",
                                        "sp_cursorprepare",
                                        "sp_cursorexecute",
                                        "sp_cursorprepexec",
                                        "sp_cursorunprepare",
                                        "sp_cursorfetch",
                                        "sp_cursoroption",
                                        "sp_cursorclose",
                                        "sp_executesql",
                                        "sp_prepare",
                                        "sp_execute",
                                        "sp_prepexec",
                                        "sp_prepexecrpc",
                                        "sp_unprepare"};
    if (call.procId < std::size(names))
        return names[call.procId];
    return std::to_string(call.procId);
}

bool isText(const RpcParam& p) {
    return p.value.kind == Value::Kind::Text &&
           (p.type == SqlType::NVarChar || p.type == SqlType::VarChar);
}

bool intValue(const RpcParam& p, std::int32_t& out) {
    if (p.value.kind != Value::Kind::Int)
        return false;
    out = static_cast<std::int32_t>(p.value.i);
    return true;
}

// Numbered from 1 over all of the call's parameters (sp_executesql's first value is the third);
// the name as the client sent it, empty for FreeTDS's unnamed values.
Message invalidValue(std::size_t number, const RpcParam& p) {
    return error(8023, 1,
                 "The incoming tabular data stream (TDS) remote procedure call (RPC) protocol "
                 "stream is incorrect. Parameter " +
                     std::to_string(number) + " (\"" + p.name +
                     "\"): The supplied value is not a valid instance of data type " +
                     p.invalidType +
                     ". Check the source data for invalid values. An example of an invalid "
                     "value is data of numeric type with scale greater than precision.");
}

std::vector<std::string> namesOf(const std::vector<ParamDeclaration::Entry>& entries) {
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.name);
    return names;
}

} // namespace

Connection::Connection(int fd, std::uint16_t spid, Catalogue& catalogue, std::string serverName,
                       StatementLog* log)
    : m_fd(fd), m_spid(spid), m_catalogue(catalogue), m_serverName(std::move(serverName)),
      m_log(log), m_reader(fd), m_writer(fd, spid) {}

Connection::~Connection() {
    ::close(m_fd);
}

void Connection::interrupt() {
    ::shutdown(m_fd, SHUT_RDWR);
}

std::vector<StatementOutcome> Connection::execute(const std::string& sql,
                                                  const std::vector<Param>& params) {
    if (m_log)
        m_log->record(sql);
    return m_session->execute(sql, params);
}

bool Connection::reply(const TokenWriter& tokens) {
    return m_writer.send(Reply, tokens.data());
}

void Connection::run() {
    // Whatever goes wrong while serving one client (even an exception from below) must end
    // that client only, never the server.
    try {
        serve();
    } catch (...) {
    }
    try {
        if (m_session)
            m_session->close();
    } catch (...) {
    }
    m_finished = true;
}

void Connection::serve() {
    m_session = EngineSession::create(m_catalogue);
    if (m_session && login()) {
        TdsMessage message;
        while (m_reader.read(message) == PacketReader::Result::Message) {
            bool ok = false;
            if (message.type == SqlBatch) {
                ok = handleBatch(message);
            } else if (message.type == Rpc) {
                ok = handleRpc(message);
            } else if (message.type == Attention) {
                // Our replies are complete before the next read, so the cancel has nothing
                // left to stop; the client still waits for its acknowledgement.
                TokenWriter out;
                out.done(TokDone, DoneAttn, 0, 0);
                ok = reply(out);
            }
            if (!ok)
                break;
        }
    }
}

bool Connection::login() {
    TdsMessage message;
    if (m_reader.read(message) != PacketReader::Result::Message)
        return false;
    if (message.type == PreLogin) {
        bool mars = false;
        if (!Prelogin::parse(message.payload, mars) || !m_writer.send(Reply, Prelogin::reply(mars)))
            return false;
        if (m_reader.read(message) != PacketReader::Result::Message)
            return false;
    }
    Login7Request request;
    if (message.type != Login7 || !Login7::parse(message.payload, request))
        return false;

    const std::string loginFailed = "Login failed for user '" + request.userName + "'.";
    // Integrated security is signalled by an empty or DOMAIN\user name; only SQL logins exist.
    if (request.userName.empty() || request.userName.find('\\') != std::string::npos) {
        Message m = error(18456, 1, loginFailed);
        m.severity = 14;
        sendLoginFailure({m}, request.asksWide());
        return false;
    }
    std::vector<Message> messages;
    if (!m_session->login(request.userName, request.password, request.database, messages)) {
        sendLoginFailure(messages, request.asksWide());
        return false;
    }

    const std::string database = m_session->currentDatabase();
    TokenWriter out;
    out.envChange(EnvDatabase, database, "master");
    out.collationChange();
    out.envChange(EnvLanguage, "us_english", "");
    out.loginAck();
    // Messages only after LOGINACK: before it, clients size fields by the version they asked.
    out.message(info(5701, "Changed database context to '" + database + "'."), m_serverName);
    out.message(info(5703, "Changed language setting to us_english."), m_serverName);
    for (const Message& m : messages)
        out.message(m, m_serverName);
    out.envChange(EnvPacketSize, "4096", "4096");
    out.done(TokDone, DoneFinal, 0, 0);
    return reply(out);
}

bool Connection::sendLoginFailure(const std::vector<Message>& messages, bool wide) {
    TokenWriter out(wide);
    for (const Message& m : messages)
        out.message(m, m_serverName);
    out.done(TokDone, DoneError, 0, 0);
    return reply(out);
}

void Connection::appendOutcomes(TokenWriter& out, const std::vector<StatementOutcome>& outcomes,
                                std::uint8_t doneToken, bool moreAfterLast) {
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        const StatementOutcome& o = outcomes[i];
        if (o.newDatabase)
            out.envChange(EnvDatabase, *o.newDatabase, o.oldDatabase.value_or(""));
        if (o.hasResultSet)
            ResultSetEncoder::write(out, o.columns, o.rows);
        for (const Message& m : o.messages)
            out.message(m, m_serverName);
        std::uint16_t status = 0;
        if (i + 1 < outcomes.size() || moreAfterLast)
            status |= DoneMore;
        if (o.error)
            status |= DoneError;
        if (o.inTransaction)
            status |= DoneInXact;
        std::uint64_t count = 0;
        if (o.hasCount) {
            status |= DoneCount;
            count = static_cast<std::uint64_t>(std::max<std::int64_t>(o.count, 0));
        } else if (o.hasResultSet) {
            status |= DoneCount;
            count = o.rows.size();
        }
        out.done(doneToken, status, o.curcmd, count);
    }
}

bool Connection::handleBatch(const TdsMessage& message) {
    if (message.payload.size() % 2 != 0)
        return false;
    const std::string sql = Charset::utf16leToUtf8(message.payload.data(), message.payload.size());
    const std::vector<StatementOutcome> outcomes = execute(sql, {});
    TokenWriter out;
    if (outcomes.empty())
        out.done(TokDone, DoneFinal, 0, 0);
    appendOutcomes(out, outcomes, TokDone, false);
    return reply(out);
}

bool Connection::handleRpc(const TdsMessage& message) {
    std::vector<RpcCall> calls;
    if (!RpcRequest::parse(message.payload, calls))
        return false;
    TokenWriter out;
    for (std::size_t i = 0; i < calls.size(); ++i)
        runCall(calls[i], out, i + 1 == calls.size());
    return reply(out);
}

void Connection::sendError(TokenWriter& out, const Message& m, bool last) {
    out.message(m, m_serverName);
    endProc(out, true, last, nullptr, 0);
}

void Connection::endProc(TokenWriter& out, bool failed, bool last, const RpcParam* handleParam,
                         std::int32_t handle) {
    out.returnStatus(failed ? 1 : 0);
    if (handleParam)
        out.returnValueInt(handleParam->name, handle);
    std::uint16_t status = last ? DoneFinal : DoneMore;
    if (failed)
        status |= DoneError;
    if (m_session->tranCount() > 0)
        status |= DoneInXact;
    out.done(TokDoneProc, status, 0, 0);
}

// Values follow the fixed arguments; unnamed ones take their names from the declaration
// by position.
bool Connection::executeParams(const RpcCall& call, std::size_t firstValue,
                               const std::vector<std::string>& names, std::vector<Param>& params,
                               std::vector<Message>& errors) {
    for (std::size_t k = firstValue; k < call.params.size(); ++k) {
        const RpcParam& p = call.params[k];
        const std::size_t position = k - firstValue;
        Param param;
        param.type = p.type;
        param.value = p.value;
        if (!p.name.empty())
            param.name = p.name;
        else if (position < names.size())
            param.name = names[position];
        else {
            errors.push_back(error(8144, 2,
                                   "Procedure or function " + procedureName(call) +
                                       " has too many arguments specified."));
            return false;
        }
        params.push_back(std::move(param));
    }
    return true;
}

void Connection::runCall(const RpcCall& call, TokenWriter& out, bool last) {
    const std::uint16_t id = procedureId(call);
    const auto& args = call.params;
    const Message badStatement =
        error(214, 2, "Procedure expects parameter '@statement' of type 'ntext/nchar/nvarchar'.");
    const Message badHandle = error(8179, 1, "Could not find prepared statement with handle ");
    // Values outside their type's range are refused before anything runs.
    for (std::size_t k = 0; k < args.size(); ++k)
        if (!args[k].invalidType.empty())
            return sendError(out, invalidValue(k + 1, args[k]), last);

    switch (id) {
    case RpcRequest::SpExecuteSql: {
        if (args.empty() || !isText(args[0]))
            return sendError(out, badStatement, last);
        std::vector<std::string> names;
        std::size_t first = 1;
        if (args.size() > 1) {
            if (args[1].value.kind == Value::Kind::Text)
                names = namesOf(ParamDeclaration::parse(args[1].value.text));
            first = 2;
        }
        std::vector<Param> params;
        std::vector<Message> errors;
        if (!executeParams(call, first, names, params, errors))
            return sendError(out, errors.front(), last);
        const auto outcomes = execute(args[0].value.text, params);
        appendOutcomes(out, outcomes, TokDoneInProc, true);
        const bool failed = !outcomes.empty() && outcomes.back().error;
        return endProc(out, failed, last, nullptr, 0);
    }
    case RpcRequest::SpPrepare:
    case RpcRequest::SpPrepExec: {
        // [@handle OUTPUT], [@params], [@stmt], then (sp_prepexec) the values.
        if (args.size() < 3 || !isText(args[2]))
            return sendError(out, badStatement, last);
        Prepared prepared;
        prepared.statement = args[2].value.text;
        std::vector<ParamDeclaration::Entry> declared;
        if (args[1].value.kind == Value::Kind::Text)
            declared = ParamDeclaration::parse(args[1].value.text);
        prepared.paramNames = namesOf(declared);
        if (id == RpcRequest::SpPrepare) {
            std::vector<Param> params;
            for (const auto& d : declared)
                params.push_back(Param{d.name, d.type, Value::null()});
            std::vector<ColumnInfo> columns;
            std::vector<Message> messages;
            if (!m_session->describe(prepared.statement, params, columns, messages)) {
                for (const Message& m : messages)
                    out.message(m, m_serverName);
                return endProc(out, true, last, nullptr, 0);
            }
            // Clients learn the result columns from this COLMETADATA before executing.
            ResultSetEncoder::writeMetadata(out, columns);
            const std::int32_t handle = m_nextHandle++;
            m_prepared[handle] = prepared;
            return endProc(out, false, last, &args[0], handle);
        }
        std::vector<Param> params;
        std::vector<Message> errors;
        if (!executeParams(call, 3, prepared.paramNames, params, errors))
            return sendError(out, errors.front(), last);
        const std::int32_t handle = m_nextHandle++;
        m_prepared[handle] = prepared;
        const auto outcomes = execute(prepared.statement, params);
        appendOutcomes(out, outcomes, TokDoneInProc, true);
        const bool failed = !outcomes.empty() && outcomes.back().error;
        return endProc(out, failed, last, &args[0], handle);
    }
    case RpcRequest::SpExecute: {
        std::int32_t handle = 0;
        if (args.empty() || !intValue(args[0], handle))
            return sendError(out, error(8179, 1, badHandle.text + "0."), last);
        const auto found = m_prepared.find(handle);
        if (found == m_prepared.end())
            return sendError(out, error(8179, 1, badHandle.text + std::to_string(handle) + "."),
                             last);
        const Prepared prepared = found->second;
        std::vector<Param> params;
        std::vector<Message> errors;
        if (!executeParams(call, 1, prepared.paramNames, params, errors))
            return sendError(out, errors.front(), last);
        const auto outcomes = execute(prepared.statement, params);
        appendOutcomes(out, outcomes, TokDoneInProc, true);
        const bool failed = !outcomes.empty() && outcomes.back().error;
        return endProc(out, failed, last, nullptr, 0);
    }
    case RpcRequest::SpUnprepare: {
        std::int32_t handle = 0;
        if (args.empty() || !intValue(args[0], handle) || m_prepared.erase(handle) == 0)
            return sendError(out, error(8179, 1, badHandle.text + std::to_string(handle) + "."),
                             last);
        return endProc(out, false, last, nullptr, 0);
    }
    default:
        return sendError(
            out, error(2812, 62, "Could not find stored procedure '" + procedureName(call) + "'."),
            last);
    }
}

} // namespace standin::tds
