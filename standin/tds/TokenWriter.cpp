#include "standin/tds/TokenWriter.h"

#include "standin/tds/Charset.h"

namespace standin::tds {

namespace {

// UTF-16LE bytes of text, cut to at most maxUnits code units without splitting a pair.
std::string utf16Limited(const std::string& utf8, std::size_t maxUnits) {
    std::string wide = Charset::utf8ToUtf16le(utf8);
    if (wide.size() / 2 > maxUnits) {
        std::size_t units = maxUnits;
        if (units > 0) {
            const auto hi = static_cast<unsigned char>(wide[2 * units - 1]);
            if (hi >= 0xD8 && hi <= 0xDB)
                --units;
        }
        wide.resize(2 * units);
    }
    return wide;
}

} // namespace

void TokenWriter::u16(std::uint16_t v) {
    m_data.push_back(static_cast<std::uint8_t>(v));
    m_data.push_back(static_cast<std::uint8_t>(v >> 8));
}

void TokenWriter::u32(std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        m_data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void TokenWriter::u64(std::uint64_t v) {
    for (int i = 0; i < 8; ++i)
        m_data.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void TokenWriter::putAt(std::size_t pos, std::uint16_t v) {
    m_data[pos] = static_cast<std::uint8_t>(v);
    m_data[pos + 1] = static_cast<std::uint8_t>(v >> 8);
}

void TokenWriter::bVarchar(const std::string& utf8) {
    const std::string wide = utf16Limited(utf8, 255);
    u8(static_cast<std::uint8_t>(wide.size() / 2));
    bytes(wide);
}

void TokenWriter::usVarchar(const std::string& utf8) {
    const std::string wide = utf16Limited(utf8, 65535);
    u16(static_cast<std::uint16_t>(wide.size() / 2));
    bytes(wide);
}

void TokenWriter::envChange(std::uint8_t type, const std::string& newValue,
                            const std::string& oldValue) {
    u8(TokEnvChange);
    const std::size_t lengthAt = size();
    u16(0);
    u8(type);
    bVarchar(newValue);
    bVarchar(oldValue);
    putAt(lengthAt, static_cast<std::uint16_t>(size() - lengthAt - 2));
}

void TokenWriter::collationChange() {
    u8(TokEnvChange);
    u16(8);
    u8(7);
    u8(5);
    collation();
    u8(0);
}

void TokenWriter::loginAck() {
    static const std::string program = "Microsoft SQL Server";
    u8(TokLoginAck);
    u16(static_cast<std::uint16_t>(10 + 2 * program.size()));
    u8(1); // SQL_TSQL: the byte clients take as "login accepted"
    // TDS 7.1 as SQL Server 2000 SP1 reports it; big-endian unlike LOGIN7's field.
    u8(0x71);
    u8(0x00);
    u8(0x00);
    u8(0x01);
    bVarchar(program);
    // 8.0.2039: SQL Server 2000 SP4.
    u8(8);
    u8(0);
    u8(0x07);
    u8(0xF7);
}

void TokenWriter::message(const Message& m, const std::string& serverName) {
    u8(m.isError() ? TokError : TokInfo);
    const std::size_t lengthAt = size();
    u16(0);
    u32(static_cast<std::uint32_t>(m.number));
    u8(static_cast<std::uint8_t>(m.state));
    u8(static_cast<std::uint8_t>(m.severity));
    // Keep the whole token within its 16-bit length.
    const std::string wide = utf16Limited(m.text, 30000);
    u16(static_cast<std::uint16_t>(wide.size() / 2));
    bytes(wide);
    bVarchar(serverName);
    bVarchar(m.procedure);
    if (m_wide)
        u32(static_cast<std::uint32_t>(m.line));
    else
        u16(static_cast<std::uint16_t>(m.line));
    putAt(lengthAt, static_cast<std::uint16_t>(size() - lengthAt - 2));
}

void TokenWriter::done(std::uint8_t token, std::uint16_t status, std::uint16_t curcmd,
                       std::uint64_t count) {
    u8(token);
    u16(status);
    u16(curcmd);
    if (m_wide)
        u64(count);
    else
        u32(static_cast<std::uint32_t>(count));
}

void TokenWriter::returnStatus(std::int32_t status) {
    u8(TokReturnStatus);
    u32(static_cast<std::uint32_t>(status));
}

void TokenWriter::returnValueInt(const std::string& name, std::int32_t value) {
    u8(TokReturnValue);
    u16(0); // ordinal; clients ignore it
    bVarchar(name);
    u8(0x01); // output parameter
    u16(0);   // user type
    u16(0x0009);
    u8(0x26); // INTN(4)
    u8(4);
    u8(4);
    u32(static_cast<std::uint32_t>(value));
}

} // namespace standin::tds
