#include "standin/tds/ParamDeclaration.h"

#include <cctype>

namespace standin::tds {

namespace {

std::string upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

SqlType typeOf(const std::string& typeName) {
    const std::string t = upper(typeName);
    if (t == "INT" || t == "SMALLINT" || t == "TINYINT" || t == "BIT")
        return SqlType::Int;
    if (t == "BIGINT")
        return SqlType::BigInt;
    if (t == "FLOAT" || t == "REAL" || t == "DECIMAL" || t == "NUMERIC" || t == "MONEY")
        return SqlType::Float;
    if (t == "DATETIME" || t == "SMALLDATETIME")
        return SqlType::DateTime;
    if (t == "VARCHAR" || t == "CHAR" || t == "TEXT")
        return SqlType::VarChar;
    return SqlType::NVarChar;
}

} // namespace

namespace {

ParamDeclaration::Entry parseEntry(const std::string& item) {
    ParamDeclaration::Entry e;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < item.size() && std::isspace(static_cast<unsigned char>(item[i])))
            ++i;
    };
    skipBlanks();
    const std::size_t nameStart = i;
    while (i < item.size() && !std::isspace(static_cast<unsigned char>(item[i])))
        ++i;
    e.name = item.substr(nameStart, i - nameStart);
    skipBlanks();
    const std::size_t typeStart = i;
    while (i < item.size() && (std::isalnum(static_cast<unsigned char>(item[i])) || item[i] == '_'))
        ++i;
    e.type = typeOf(item.substr(typeStart, i - typeStart));
    return e;
}

} // namespace

std::vector<ParamDeclaration::Entry> ParamDeclaration::parse(const std::string& declaration) {
    std::vector<Entry> out;
    std::string current;
    int depth = 0;
    for (const char c : declaration) {
        if (c == '(')
            ++depth;
        else if (c == ')' && depth > 0)
            --depth;
        if (c == ',' && depth == 0) {
            out.push_back(parseEntry(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (current.find_first_not_of(" \t\r\n") != std::string::npos)
        out.push_back(parseEntry(current));
    return out;
}

} // namespace standin::tds
