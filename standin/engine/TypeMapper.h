#pragma once

#include "standin/engine/EngineTypes.h"

#include <string>

namespace standin {

// SQL Server's declared column types. They are kept verbatim as SQLite's declared types
// ("nvarchar(100)"), so sqlite3_column_decltype yields the wire type and width.
class TypeMapper {
  public:
    enum class Family { Unknown, Integer, BigInteger, Real, Unicode, Ansi, DateTime };
    struct Declared {
        Family family = Family::Unknown;
        int width = 0;       // characters for text types, 0 when none was given
        bool isChar = false; // a text type (checked for width)
    };

    static Declared parse(const std::string& decltype_);
    // The result column for a declared type; false when the type is unknown.
    static bool toColumn(const std::string& decltype_, ColumnInfo& column);
    static bool isKnownTypeName(const std::string& name);
};

} // namespace standin
