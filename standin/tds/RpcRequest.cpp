#include "standin/tds/RpcRequest.h"

#include "standin/tds/ByteReader.h"
#include "standin/tds/Charset.h"
#include "standin/tds/TdsDateTime.h"

#include <cstring>

namespace standin::tds {

namespace {

bool readBVarchar(ByteReader& r, std::string& out) {
    std::uint8_t chars = 0;
    const std::uint8_t* p = nullptr;
    if (!r.u8(chars) || !r.bytes(static_cast<std::size_t>(chars) * 2, p))
        return false;
    out = Charset::utf16leToUtf8(p, static_cast<std::size_t>(chars) * 2);
    return true;
}

std::int64_t signExtend(std::uint64_t raw, std::size_t size) {
    if (size >= 8)
        return static_cast<std::int64_t>(raw);
    if (size == 1) // TINYINT is unsigned
        return static_cast<std::int64_t>(raw);
    const unsigned bits = static_cast<unsigned>(size * 8);
    const std::uint64_t sign = std::uint64_t{1} << (bits - 1);
    return static_cast<std::int64_t>((raw ^ sign) - sign);
}

bool readFixedInt(ByteReader& r, std::size_t size, Value& v) {
    if (size != 1 && size != 2 && size != 4 && size != 8)
        return false;
    const std::uint8_t* p = nullptr;
    if (!r.bytes(size, p))
        return false;
    std::uint64_t raw = 0;
    for (std::size_t i = 0; i < size; ++i)
        raw |= static_cast<std::uint64_t>(p[i]) << (8 * i);
    v = Value::integer(signExtend(raw, size));
    return true;
}

bool readFixedFloat(ByteReader& r, std::size_t size, Value& v) {
    const std::uint8_t* p = nullptr;
    if ((size != 4 && size != 8) || !r.bytes(size, p))
        return false;
    if (size == 4) {
        float f = 0;
        std::memcpy(&f, p, 4);
        v = Value::real(f);
    } else {
        double d = 0;
        std::memcpy(&d, p, 8);
        v = Value::real(d);
    }
    return true;
}

bool readFixedDateTime(ByteReader& r, std::size_t size, RpcParam& param) {
    std::string text;
    bool valid = false;
    if (size == 8) {
        std::int32_t days = 0;
        std::uint32_t ticks = 0;
        if (!r.i32le(days) || !r.u32le(ticks))
            return false;
        valid = TdsDateTime::toText(days, ticks, text);
    } else if (size == 4) {
        std::uint16_t days = 0, minutes = 0;
        if (!r.u16le(days) || !r.u16le(minutes))
            return false;
        valid = TdsDateTime::smallToText(days, minutes, text);
    } else {
        return false;
    }
    param.value = valid ? Value::datetime(text) : Value::null();
    if (!valid)
        param.invalidType = size == 8 ? "datetime" : "smalldatetime";
    return true;
}

bool readFixedIntParam(ByteReader& r, std::size_t size, RpcParam& param) {
    return readFixedInt(r, size, param.value);
}

bool readFixedFloatParam(ByteReader& r, std::size_t size, RpcParam& param) {
    return readFixedFloat(r, size, param.value);
}

// DECIMAL/NUMERIC: sign byte then a little-endian magnitude of up to 16 bytes.
bool readDecimal(ByteReader& r, std::size_t length, std::uint8_t scale, Value& v) {
    const std::uint8_t* p = nullptr;
    if (length < 2 || length > 17 || !r.bytes(length, p))
        return false;
    unsigned __int128 magnitude = 0;
    for (std::size_t i = length - 1; i >= 1; --i)
        magnitude = (magnitude << 8) | p[i];
    const bool negative = p[0] == 0;
    if (scale == 0 && magnitude <= static_cast<unsigned __int128>(INT64_MAX)) {
        const auto m = static_cast<std::int64_t>(magnitude);
        v = Value::integer(negative ? -m : m);
        return true;
    }
    double d = static_cast<double>(magnitude);
    for (std::uint8_t s = 0; s < scale; ++s)
        d /= 10;
    v = Value::real(negative ? -d : d);
    return true;
}

bool readString(ByteReader& r, std::size_t lengthBytes, bool wide, const char* codePage, Value& v) {
    std::uint32_t length = 0;
    if (lengthBytes == 2) {
        std::uint16_t l = 0;
        if (!r.u16le(l))
            return false;
        if (l == 0xFFFF) {
            v = Value::null();
            return true;
        }
        length = l;
    } else if (!r.u32le(length)) {
        return false;
    } else if (length == 0xFFFFFFFFu) {
        v = Value::null();
        return true;
    }
    const std::uint8_t* p = nullptr;
    if ((wide && length % 2 != 0) || !r.bytes(length, p))
        return false;
    if (wide)
        v = Value::string(Charset::utf16leToUtf8(p, length));
    else
        v = Value::string(
            Charset::toUtf8(std::string(reinterpret_cast<const char*>(p), length), codePage));
    return true;
}

// Fixed-length types: the type byte alone says how many bytes follow.
struct FixedType {
    std::uint8_t code;
    SqlType type;
    std::size_t size;
    bool (*read)(ByteReader&, std::size_t, RpcParam&);
};

const FixedType kFixedTypes[] = {
    {0x30, SqlType::Int, 1, readFixedIntParam},      // TINYINT
    {0x34, SqlType::Int, 2, readFixedIntParam},      // SMALLINT
    {0x38, SqlType::Int, 4, readFixedIntParam},      // INT
    {0x7F, SqlType::BigInt, 8, readFixedIntParam},   // BIGINT
    {0x32, SqlType::Int, 1, readFixedIntParam},      // BIT
    {0x3B, SqlType::Float, 4, readFixedFloatParam},  // REAL
    {0x3E, SqlType::Float, 8, readFixedFloatParam},  // FLOAT
    {0x3A, SqlType::DateTime, 4, readFixedDateTime}, // SMALLDATETIME
    {0x3D, SqlType::DateTime, 8, readFixedDateTime}, // DATETIME
};

bool readParam(ByteReader& r, RpcParam& param) {
    std::uint8_t status = 0, type = 0;
    if (!readBVarchar(r, param.name) || !r.u8(status) || !r.u8(type))
        return false;
    param.output = status & 0x01;
    Value& v = param.value;
    for (const FixedType& fixed : kFixedTypes)
        if (fixed.code == type) {
            param.type = fixed.type;
            return fixed.read(r, fixed.size, param);
        }
    switch (type) {
    case 0x26:
    case 0x68:
    case 0x6D:
    case 0x6F: { // INTN, BITN, FLTN, DATETIMN
        std::uint8_t size = 0, length = 0;
        if (!r.u8(size) || !r.u8(length))
            return false;
        if (type == 0x26)
            param.type = size == 8 ? SqlType::BigInt : SqlType::Int;
        else if (type == 0x68)
            param.type = SqlType::Int;
        else if (type == 0x6D)
            param.type = SqlType::Float;
        else
            param.type = SqlType::DateTime;
        if (length == 0) {
            v = Value::null();
            return true;
        }
        if (length > size)
            return false;
        if (type == 0x26 || type == 0x68)
            return readFixedInt(r, length, v);
        if (type == 0x6D)
            return readFixedFloat(r, length, v);
        return readFixedDateTime(r, length, param);
    }
    case 0x6A:
    case 0x6C: { // DECIMALN, NUMERICN
        std::uint8_t size = 0, precision = 0, scale = 0, length = 0;
        if (!r.u8(size) || !r.u8(precision) || !r.u8(scale) || !r.u8(length))
            return false;
        param.type = SqlType::Float;
        if (length == 0) {
            v = Value::null();
            return true;
        }
        return length <= size && readDecimal(r, length, scale, v);
    }
    case 0xE7:
    case 0xEF:
    case 0xA7:
    case 0xAF: { // NVARCHAR, NCHAR, VARCHAR, CHAR
        std::uint16_t max = 0;
        const std::uint8_t* collation = nullptr;
        if (!r.u16le(max) || !r.bytes(5, collation))
            return false;
        const bool wide = type == 0xE7 || type == 0xEF;
        param.type = wide ? SqlType::NVarChar : SqlType::VarChar;
        return readString(r, 2, wide, Charset::codePageForCollation(collation), v);
    }
    case 0x63:
    case 0x23: { // NTEXT, TEXT
        std::uint32_t max = 0;
        const std::uint8_t* collation = nullptr;
        if (!r.u32le(max) || !r.bytes(5, collation))
            return false;
        const bool wide = type == 0x63;
        param.type = wide ? SqlType::NVarChar : SqlType::VarChar;
        return readString(r, 4, wide, Charset::codePageForCollation(collation), v);
    }
    default:
        return false;
    }
}

bool readCall(ByteReader& r, RpcCall& call) {
    std::uint16_t nameLength = 0, flags = 0;
    if (!r.u16le(nameLength))
        return false;
    if (nameLength == 0xFFFF) {
        if (!r.u16le(call.procId) || call.procId == 0)
            return false;
    } else {
        const std::uint8_t* p = nullptr;
        if (nameLength == 0 || !r.bytes(static_cast<std::size_t>(nameLength) * 2, p))
            return false;
        call.procName = Charset::utf16leToUtf8(p, static_cast<std::size_t>(nameLength) * 2);
    }
    if (!r.u16le(flags))
        return false;
    std::uint8_t next = 0;
    while (r.peek(next) && next != 0x80 && next != 0xFF) {
        RpcParam param;
        if (!readParam(r, param))
            return false;
        call.params.push_back(std::move(param));
    }
    return true;
}

} // namespace

bool RpcRequest::parse(const std::vector<std::uint8_t>& payload, std::vector<RpcCall>& calls) {
    calls.clear();
    ByteReader r(payload.data(), payload.size());
    do {
        RpcCall call;
        if (!readCall(r, call))
            return false;
        calls.push_back(std::move(call));
        std::uint8_t separator = 0;
        if (!r.u8(separator))
            break;
        if (r.atEnd()) // a separator must introduce another call
            return false;
    } while (true);
    return true;
}

} // namespace standin::tds
