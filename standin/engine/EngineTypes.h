#pragma once

// What the protocol layer and the statement engine exchange. The protocol layer knows nothing
// of SQL, the engine nothing of packets: this header is the whole contract between them.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace standin {

// Types as they go on the wire (always the nullable forms).
enum class SqlType { Int, BigInt, Float, NVarChar, VarChar, DateTime };

struct Value {
    enum class Kind { Null, Int, Float, Text, DateTime };
    Kind kind = Kind::Null;
    std::int64_t i = 0;
    double f = 0;
    // Text: UTF-8. DateTime: "YYYY-MM-DD HH:MM:SS.mmm" (server wall-clock time).
    std::string text;

    static Value null() { return {}; }
    static Value integer(std::int64_t v) {
        Value x;
        x.kind = Kind::Int;
        x.i = v;
        return x;
    }
    static Value real(double v) {
        Value x;
        x.kind = Kind::Float;
        x.f = v;
        return x;
    }
    static Value string(std::string v) {
        Value x;
        x.kind = Kind::Text;
        x.text = std::move(v);
        return x;
    }
    static Value datetime(std::string v) {
        Value x;
        x.kind = Kind::DateTime;
        x.text = std::move(v);
        return x;
    }
};

struct ColumnInfo {
    std::string name; // empty for an expression without alias
    SqlType type = SqlType::NVarChar;
    int maxChars = 4000; // for text columns: the declared width in characters
    // char(n) / nchar(n): values padded with blanks to the width, described as fixed-length.
    bool fixedLength = false;
    bool nullable = true;
};

// An ERROR (severity > 10) or INFO (severity <= 10) message, in SQL Server's numbering.
struct Message {
    int number = 0;
    int state = 1;
    int severity = 16;
    std::string text;      // UTF-8
    std::string procedure; // empty unless raised inside a procedure
    int line = 1;
    bool isError() const { return severity > 10; }
};

// DONE's curcmd values the stand-in uses.
enum CurCmd : std::uint16_t {
    CmdNone = 0,
    CmdSelect = 0xC1,
    CmdInsert = 0xC3,
    CmdDelete = 0xC4,
    CmdUpdate = 0xC5
};

// The outcome of one statement of a batch: optional result set, optional row count,
// the messages raised while it ran (sent before its DONE), and whether it failed.
struct StatementOutcome {
    bool hasResultSet = false;
    std::vector<ColumnInfo> columns;
    std::vector<std::vector<Value>> rows;
    bool hasCount = false;
    std::int64_t count = 0;
    bool error = false;
    std::uint16_t curcmd = CmdNone;
    std::vector<Message> messages;
    // Set after USE (or anything else that changes the current database): ENVCHANGE type 1.
    std::optional<std::string> newDatabase;
    std::optional<std::string> oldDatabase;
    bool inTransaction = false; // @@TRANCOUNT > 0 after the statement (DONE's INXACT bit)
    // The interrupt check ended the statement's wait for a lock: nothing of it ran, the batch
    // stops there, and the protocol layer answers the cancel (or drops the client).
    bool cancelled = false;
};

// A bound input: the name as declared in sp_executesql's @params ("@P1"), and its value.
struct Param {
    std::string name;
    SqlType type = SqlType::NVarChar;
    Value value;
};

} // namespace standin
