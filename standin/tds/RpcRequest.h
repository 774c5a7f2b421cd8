#pragma once

#include "standin/engine/EngineTypes.h"

#include <cstdint>
#include <string>
#include <vector>

namespace standin::tds {

struct RpcParam {
    std::string name; // "@P1", or empty when the client sent it unnamed
    bool output = false;
    SqlType type = SqlType::NVarChar;
    Value value;
    // Set ("datetime", "smalldatetime") when a well-formed value lies outside its type's
    // range: SQL Server refuses the call with 8023 but keeps the session.
    std::string invalidType;
};

struct RpcCall {
    std::uint16_t procId = 0; // 0 when called by name
    std::string procName;
    std::vector<RpcParam> params;
};

// RPC request at TDS 7.1 (no ALL_HEADERS): one or more calls separated by a batch flag.
// Values are decoded into the engine's types; VARCHAR/CHAR/TEXT bytes are read in the code page
// of the collation that came with them.
class RpcRequest {
  public:
    enum ProcId : std::uint16_t {
        SpExecuteSql = 10,
        SpPrepare = 11,
        SpExecute = 12,
        SpPrepExec = 13,
        SpUnprepare = 15,
    };

    // False when the request is malformed or uses a type we cannot decode (a value out of its
    // type's range is not malformed: see RpcParam::invalidType).
    static bool parse(const std::vector<std::uint8_t>& payload, std::vector<RpcCall>& calls);
};

} // namespace standin::tds
