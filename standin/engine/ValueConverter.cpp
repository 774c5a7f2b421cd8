#include "standin/engine/ValueConverter.h"

#include "standin/engine/Errors.h"

#include <cstdio>
#include <cstdlib>

namespace standin {

void ValueConverter::bind(sqlite3_stmt* st, int index, const Value& v) {
    switch (v.kind) {
    case Value::Kind::Null:
        sqlite3_bind_null(st, index);
        break;
    case Value::Kind::Int:
        sqlite3_bind_int64(st, index, v.i);
        break;
    case Value::Kind::Float:
        sqlite3_bind_double(st, index, v.f);
        break;
    case Value::Kind::Text:
        sqlite3_bind_text(st, index, v.text.c_str(), static_cast<int>(v.text.size()),
                          SQLITE_TRANSIENT);
        break;
    case Value::Kind::DateTime: {
        std::string normal;
        const std::string& text = normalizeDateTime(v.text, normal) ? normal : v.text;
        sqlite3_bind_text(st, index, text.c_str(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        break;
    }
    }
}

Value ValueConverter::read(sqlite3_stmt* st, int c) {
    switch (sqlite3_column_type(st, c)) {
    case SQLITE_INTEGER:
        return Value::integer(sqlite3_column_int64(st, c));
    case SQLITE_FLOAT:
        return Value::real(sqlite3_column_double(st, c));
    case SQLITE_NULL:
        return Value::null();
    default: {
        const unsigned char* t = sqlite3_column_text(st, c);
        return Value::string(
            t ? std::string(reinterpret_cast<const char*>(t), sqlite3_column_bytes(st, c))
              : std::string());
    }
    }
}

int ValueConverter::charCount(const std::string& s) {
    int n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

bool ValueConverter::normalizeDateTime(const std::string& text, std::string& out,
                                       bool* outOfRange) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    char msText[8] = {0};
    int n = std::sscanf(text.c_str(), "%4d-%2d-%2d%*[ T]%2d:%2d:%2d.%3[0-9]", &y, &mo, &d, &h, &mi,
                        &s, msText);
    if (n < 3)
        n = std::sscanf(text.c_str(), "%4d%2d%2d %2d:%2d:%2d", &y, &mo, &d, &h, &mi, &s);
    if (n < 3)
        return false;
    static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (y < 1753 || y > 9999 || mo < 1 || mo > 12 || d < 1 ||
        d > monthDays[mo - 1] + (mo == 2 && leap ? 1 : 0) || h < 0 || h > 23 || mi < 0 || mi > 59 ||
        s < 0 || s > 59) {
        if (outOfRange)
            *outOfRange = true;
        return false;
    }
    if (msText[0]) {
        std::string digits = msText;
        while (digits.size() < 3)
            digits += '0';
        ms = std::atoi(digits.c_str());
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", y, mo, d, h, mi, s, ms);
    out = buf;
    return true;
}

bool ValueConverter::shape(std::vector<ColumnInfo>& columns, const std::vector<bool>& typeKnown,
                           std::vector<std::vector<Value>>& rows, Message& error) {
    for (std::size_t c = 0; c < columns.size(); ++c) {
        ColumnInfo& col = columns[c];
        if (!typeKnown[c]) {
            col.type = SqlType::Int;
            int widest = 1;
            for (const auto& row : rows) {
                const Value& v = row[c];
                if (v.kind == Value::Kind::Float && col.type != SqlType::NVarChar)
                    col.type = SqlType::Float;
                else if (v.kind == Value::Kind::Int && col.type == SqlType::Int &&
                         (v.i > 2147483647LL || v.i < -2147483648LL))
                    col.type = SqlType::BigInt;
                else if (v.kind == Value::Kind::Text) {
                    col.type = SqlType::NVarChar;
                    widest = std::max(widest, charCount(v.text));
                }
            }
            // Wider than 4000 is the protocol layer's to send as NTEXT.
            if (col.type == SqlType::NVarChar)
                col.maxChars = widest;
        }
        for (auto& row : rows) {
            Value& v = row[c];
            if (v.kind == Value::Kind::Null)
                continue;
            switch (col.type) {
            case SqlType::DateTime: {
                std::string normal;
                if (v.kind != Value::Kind::Text || !normalizeDateTime(v.text, normal)) {
                    error = Errors::make(241);
                    return false;
                }
                v = Value::datetime(normal);
                break;
            }
            case SqlType::Int:
            case SqlType::BigInt:
                if (v.kind == Value::Kind::Float) {
                    v = Value::integer(static_cast<std::int64_t>(v.f));
                } else if (v.kind == Value::Kind::Text) {
                    char* end = nullptr;
                    const long long parsed = std::strtoll(v.text.c_str(), &end, 10);
                    if (v.text.empty() || *end != '\0') {
                        error = Errors::make(245, {v.text});
                        return false;
                    }
                    v = Value::integer(parsed);
                }
                break;
            case SqlType::Float:
                if (v.kind == Value::Kind::Int) {
                    v = Value::real(static_cast<double>(v.i));
                } else if (v.kind == Value::Kind::Text) {
                    char* end = nullptr;
                    const double parsed = std::strtod(v.text.c_str(), &end);
                    if (v.text.empty() || *end != '\0') {
                        error =
                            Errors::make(50000, {"Error converting data type varchar to float."});
                        error.number = 8114;
                        return false;
                    }
                    v = Value::real(parsed);
                }
                break;
            case SqlType::NVarChar:
            case SqlType::VarChar:
                if (v.kind == Value::Kind::Int) {
                    v = Value::string(std::to_string(v.i));
                } else if (v.kind == Value::Kind::Float) {
                    char buf[40];
                    std::snprintf(buf, sizeof buf, "%.15g", v.f);
                    v = Value::string(buf);
                }
                break;
            }
        }
    }
    return true;
}

} // namespace standin
