#include "standin/tds/ResultSetEncoder.h"

#include "standin/tds/Charset.h"
#include "standin/tds/TdsDateTime.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace standin::tds {

namespace {

enum class Wire { Int4, Int8, Float, NVarChar, VarChar, NText, Text, DateTime };

constexpr std::size_t MaxShortBytes = 8000;

struct Cell {
    bool null = true;
    std::int64_t i = 0;
    double f = 0;
    std::int32_t days = 0;
    std::uint32_t ticks = 0;
    std::string bytes; // encoded text for the character types
};

struct Column {
    Wire wire = Wire::NVarChar;
    std::size_t maxBytes = MaxShortBytes;
    std::vector<Cell> cells;
};

std::string asText(const Value& v) {
    switch (v.kind) {
    case Value::Kind::Int:
        return std::to_string(v.i);
    case Value::Kind::Float: {
        char buffer[64];
        const auto r = std::to_chars(buffer, buffer + sizeof buffer, v.f);
        return std::string(buffer, r.ptr);
    }
    default:
        return v.text;
    }
}

bool toInteger(const Value& v, std::int64_t& out) {
    switch (v.kind) {
    case Value::Kind::Int:
        out = v.i;
        return true;
    case Value::Kind::Float:
        if (std::trunc(v.f) != v.f || std::fabs(v.f) >= 9.2e18)
            return false;
        out = static_cast<std::int64_t>(v.f);
        return true;
    case Value::Kind::Text: {
        const char* b = v.text.data();
        const char* e = b + v.text.size();
        const auto r = std::from_chars(b, e, out);
        return r.ec == std::errc() && r.ptr == e && b != e;
    }
    default:
        return false;
    }
}

bool toFloat(const Value& v, double& out) {
    switch (v.kind) {
    case Value::Kind::Int:
        out = static_cast<double>(v.i);
        return true;
    case Value::Kind::Float:
        out = v.f;
        return true;
    case Value::Kind::Text: {
        const char* b = v.text.data();
        const char* e = b + v.text.size();
        const auto r = std::from_chars(b, e, out);
        return r.ec == std::errc() && r.ptr == e && b != e && std::isfinite(out);
    }
    default:
        return false;
    }
}

Wire declaredWire(const ColumnInfo& c) {
    switch (c.type) {
    case SqlType::Int:
        return Wire::Int4;
    case SqlType::BigInt:
        return Wire::Int8;
    case SqlType::Float:
        return Wire::Float;
    case SqlType::VarChar:
        return Wire::VarChar;
    case SqlType::DateTime:
        return Wire::DateTime;
    case SqlType::NVarChar:
        break;
    }
    return Wire::NVarChar;
}

std::size_t declaredBytes(const ColumnInfo& c, Wire wire) {
    const std::size_t perChar = wire == Wire::NVarChar ? 2 : 1;
    if (c.maxChars <= 0)
        return MaxShortBytes;
    return std::clamp<std::size_t>(static_cast<std::size_t>(c.maxChars) * perChar, perChar,
                                   MaxShortBytes);
}

// Encodes every value of one column as `wire`; false when some value cannot be.
bool encodeColumn(Column& col, std::size_t index, const std::vector<std::vector<Value>>& rows) {
    col.cells.assign(rows.size(), Cell{});
    std::size_t longest = 0;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const Value null;
        const Value& v = index < rows[r].size() ? rows[r][index] : null;
        Cell& cell = col.cells[r];
        if (v.kind == Value::Kind::Null)
            continue;
        cell.null = false;
        switch (col.wire) {
        case Wire::Int4:
            if (!toInteger(v, cell.i))
                return false;
            if (cell.i < std::numeric_limits<std::int32_t>::min() ||
                cell.i > std::numeric_limits<std::int32_t>::max())
                col.wire = Wire::Int8;
            break;
        case Wire::Int8:
            if (!toInteger(v, cell.i))
                return false;
            break;
        case Wire::Float:
            if (!toFloat(v, cell.f))
                return false;
            break;
        case Wire::DateTime:
            if (v.kind != Value::Kind::DateTime && v.kind != Value::Kind::Text)
                return false;
            if (!TdsDateTime::fromText(v.text, cell.days, cell.ticks))
                return false;
            break;
        case Wire::NVarChar:
        case Wire::NText:
            cell.bytes = Charset::utf8ToUtf16le(asText(v));
            longest = std::max(longest, cell.bytes.size());
            break;
        case Wire::VarChar:
        case Wire::Text:
            cell.bytes = Charset::fromUtf8(asText(v), "CP936");
            longest = std::max(longest, cell.bytes.size());
            break;
        }
    }
    if (col.wire == Wire::NVarChar || col.wire == Wire::VarChar) {
        if (longest > MaxShortBytes)
            col.wire = col.wire == Wire::NVarChar ? Wire::NText : Wire::Text;
        else
            col.maxBytes =
                std::max(col.maxBytes, longest + (longest & 1 && col.wire == Wire::NVarChar));
    }
    return true;
}

std::vector<Column> plan(const std::vector<ColumnInfo>& columns,
                         const std::vector<std::vector<Value>>& rows) {
    std::vector<Column> out(columns.size());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        Column& col = out[c];
        col.wire = declaredWire(columns[c]);
        col.maxBytes = declaredBytes(columns[c], col.wire);
        if (!encodeColumn(col, c, rows)) {
            col.wire = Wire::NVarChar;
            col.maxBytes = declaredBytes(ColumnInfo{}, Wire::NVarChar);
            encodeColumn(col, c, rows);
        }
    }
    return out;
}

void writeColumnMetadata(TokenWriter& out, const std::vector<ColumnInfo>& columns,
                         const std::vector<Column>& planned) {
    out.u8(TokColMetadata);
    out.u16(static_cast<std::uint16_t>(columns.size()));
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const Column& col = planned[c];
        out.u16(0); // user type
        out.u16(static_cast<std::uint16_t>(0x0008 | (columns[c].nullable ? 0x0001 : 0)));
        switch (col.wire) {
        case Wire::Int4:
            out.u8(0x26);
            out.u8(4);
            break;
        case Wire::Int8:
            out.u8(0x26);
            out.u8(8);
            break;
        case Wire::Float:
            out.u8(0x6D);
            out.u8(8);
            break;
        case Wire::DateTime:
            out.u8(0x6F);
            out.u8(8);
            break;
        case Wire::NVarChar:
        case Wire::VarChar:
            out.u8(col.wire == Wire::NVarChar ? 0xE7 : 0xA7);
            out.u16(static_cast<std::uint16_t>(col.maxBytes));
            out.collation();
            break;
        case Wire::NText:
        case Wire::Text:
            out.u8(col.wire == Wire::NText ? 0x63 : 0x23);
            out.u32(col.wire == Wire::NText ? 0x7FFFFFFE : 0x7FFFFFFF);
            out.collation();
            out.usVarchar(""); // table name
            break;
        }
        out.bVarchar(columns[c].name);
    }
}

void writeCell(TokenWriter& out, const Column& col, const Cell& cell) {
    switch (col.wire) {
    case Wire::Int4:
    case Wire::Int8:
    case Wire::Float:
    case Wire::DateTime:
        if (cell.null) {
            out.u8(0);
            return;
        }
        if (col.wire == Wire::Int4) {
            out.u8(4);
            out.u32(static_cast<std::uint32_t>(cell.i));
        } else if (col.wire == Wire::Int8) {
            out.u8(8);
            out.u64(static_cast<std::uint64_t>(cell.i));
        } else if (col.wire == Wire::Float) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &cell.f, sizeof bits);
            out.u8(8);
            out.u64(bits);
        } else {
            out.u8(8);
            out.u32(static_cast<std::uint32_t>(cell.days));
            out.u32(cell.ticks);
        }
        return;
    case Wire::NVarChar:
    case Wire::VarChar:
        if (cell.null) {
            out.u16(0xFFFF);
            return;
        }
        out.u16(static_cast<std::uint16_t>(cell.bytes.size()));
        out.bytes(cell.bytes);
        return;
    case Wire::NText:
    case Wire::Text:
        if (cell.null) {
            out.u8(0);
            return;
        }
        out.u8(16);
        for (int i = 0; i < 16; ++i)
            out.u8(0xFF); // text pointer: opaque to the client
        for (int i = 0; i < 8; ++i)
            out.u8(0); // timestamp
        out.u32(static_cast<std::uint32_t>(cell.bytes.size()));
        out.bytes(cell.bytes);
        return;
    }
}

} // namespace

void ResultSetEncoder::write(TokenWriter& out, const std::vector<ColumnInfo>& columns,
                             const std::vector<std::vector<Value>>& rows) {
    if (columns.empty())
        return;
    const std::vector<Column> planned = plan(columns, rows);
    writeColumnMetadata(out, columns, planned);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        out.u8(TokRow);
        for (const Column& col : planned)
            writeCell(out, col, col.cells[r]);
    }
}

void ResultSetEncoder::writeMetadata(TokenWriter& out, const std::vector<ColumnInfo>& columns) {
    if (columns.empty())
        return;
    writeColumnMetadata(out, columns, plan(columns, {}));
}

} // namespace standin::tds
