#include "standin/engine/TypeMapper.h"

#include "standin/engine/Tokenizer.h"

#include <cstdlib>

namespace standin {

bool TypeMapper::isKnownTypeName(const std::string& name) {
    static const char* names[] = {
        "INT",   "INTEGER", "SMALLINT", "TINYINT", "BIT",        "BIGINT",        "FLOAT",
        "REAL",  "DECIMAL", "NUMERIC",  "MONEY",   "SMALLMONEY", "NCHAR",         "NVARCHAR",
        "NTEXT", "CHAR",    "VARCHAR",  "TEXT",    "DATETIME",   "SMALLDATETIME", "SYSNAME"};
    const std::string u = Tokenizer::upper(name);
    for (const char* n : names)
        if (u == n)
            return true;
    return false;
}

TypeMapper::Declared TypeMapper::parse(const std::string& decl) {
    Declared d;
    const std::string u = Tokenizer::upper(decl);
    std::string base = u.substr(0, u.find('('));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    const std::size_t open = u.find('(');
    if (open != std::string::npos)
        d.width = std::atoi(u.c_str() + open + 1);
    if (base == "INT" || base == "INTEGER" || base == "SMALLINT" || base == "TINYINT" ||
        base == "BIT") {
        d.family = Family::Integer;
    } else if (base == "BIGINT") {
        d.family = Family::BigInteger;
    } else if (base == "FLOAT" || base == "REAL" || base == "DECIMAL" || base == "NUMERIC" ||
               base == "MONEY" || base == "SMALLMONEY") {
        d.family = Family::Real;
    } else if (base == "NCHAR" || base == "NVARCHAR" || base == "SYSNAME") {
        d.family = Family::Unicode;
        d.isChar = true;
        if (d.width <= 0)
            d.width = base == "SYSNAME" ? 128 : 1;
    } else if (base == "CHAR" || base == "VARCHAR") {
        d.family = Family::Ansi;
        d.isChar = true;
        if (d.width <= 0)
            d.width = 1;
    } else if (base == "NTEXT") {
        d.family = Family::Unicode;
        d.width = 4000;
    } else if (base == "TEXT") {
        d.family = Family::Ansi;
        d.width = 8000;
    } else if (base == "DATETIME" || base == "SMALLDATETIME") {
        d.family = Family::DateTime;
    }
    return d;
}

bool TypeMapper::toColumn(const std::string& decl, ColumnInfo& column) {
    const Declared d = parse(decl);
    switch (d.family) {
    case Family::Integer:
        column.type = SqlType::Int;
        return true;
    case Family::BigInteger:
        column.type = SqlType::BigInt;
        return true;
    case Family::Real:
        column.type = SqlType::Float;
        return true;
    case Family::Unicode:
        column.type = SqlType::NVarChar;
        column.maxChars = d.width > 4000 ? 4000 : d.width;
        return true;
    case Family::Ansi:
        column.type = SqlType::VarChar;
        column.maxChars = d.width > 8000 ? 8000 : d.width;
        return true;
    case Family::DateTime:
        column.type = SqlType::DateTime;
        return true;
    case Family::Unknown:
        break;
    }
    return false;
}

} // namespace standin
