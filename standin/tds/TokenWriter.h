#pragma once

#include "standin/engine/EngineTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace standin::tds {

enum Token : std::uint8_t {
    TokReturnStatus = 0x79,
    TokColMetadata = 0x81,
    TokError = 0xAA,
    TokInfo = 0xAB,
    TokReturnValue = 0xAC,
    TokLoginAck = 0xAD,
    TokRow = 0xD1,
    TokEnvChange = 0xE3,
    TokDone = 0xFD,
    TokDoneProc = 0xFE,
    TokDoneInProc = 0xFF,
};

enum DoneStatus : std::uint16_t {
    DoneFinal = 0x0000,
    DoneMore = 0x0001,
    DoneError = 0x0002,
    DoneInXact = 0x0004,
    DoneCount = 0x0010,
    DoneAttn = 0x0020,
};

// Chinese_PRC_CI_AS: LCID 0x0804, IgnoreCase|IgnoreKana|IgnoreWidth, Windows collation (sort
// id 0). FreeTDS derives code page 936 from it for VARCHAR.
inline constexpr std::uint8_t ServerCollation[5] = {0x04, 0x08, 0xD0, 0x00, 0x00};

// Builds the token stream of one reply. Widths are those of TDS 7.1 unless the writer is
// "wide", which only a failed login to a client that asked for 7.2+ needs (no LOGINACK yet).
class TokenWriter {
  public:
    explicit TokenWriter(bool wide = false) : m_wide(wide) {}

    const std::vector<std::uint8_t>& data() const { return m_data; }
    std::size_t size() const { return m_data.size(); }

    void envChange(std::uint8_t type, const std::string& newValue, const std::string& oldValue);
    void collationChange();
    void loginAck();
    void message(const Message& m, const std::string& serverName);
    void done(std::uint8_t token, std::uint16_t status, std::uint16_t curcmd, std::uint64_t count);
    void returnStatus(std::int32_t status);
    void returnValueInt(const std::string& name, std::int32_t value);

    void u8(std::uint8_t v) { m_data.push_back(v); }
    void u16(std::uint16_t v);
    void u32(std::uint32_t v);
    void u64(std::uint64_t v);
    void bytes(const std::string& raw) { m_data.insert(m_data.end(), raw.begin(), raw.end()); }
    void collation() { m_data.insert(m_data.end(), ServerCollation, ServerCollation + 5); }
    // UTF-16 text with a 1-byte (B_VARCHAR) or 2-byte (US_VARCHAR) character count; longer
    // text is cut at the field's limit.
    void bVarchar(const std::string& utf8);
    void usVarchar(const std::string& utf8);

  private:
    void putAt(std::size_t pos, std::uint16_t v);

    bool m_wide;
    std::vector<std::uint8_t> m_data;
};

} // namespace standin::tds
