#pragma once

#include "standin/engine/EngineTypes.h"

#include <sqlite3.h>

#include <string>
#include <vector>

namespace standin {

// Values between SQLite's dynamic types and the declared SQL Server types of result columns.
class ValueConverter {
  public:
    static void bind(sqlite3_stmt* st, int index, const Value& value);
    static Value read(sqlite3_stmt* st, int column);
    // Gives columns of unknown type the type their values have, and converts each value to
    // its column's type. False with the conversion error SQL Server would raise.
    static bool shape(std::vector<ColumnInfo>& columns, const std::vector<bool>& typeKnown,
                      std::vector<std::vector<Value>>& rows, Message& error);
    // "YYYY-MM-DD[ HH:MM[:SS[.mmm]]]" -> "YYYY-MM-DD HH:MM:SS.mmm"; false when not a date,
    // with outOfRange set when it has a date's form but names no day of DATETIME's range
    // (1753-01-01 to 9999-12-31), such as 2008-02-30.
    static bool normalizeDateTime(const std::string& text, std::string& out,
                                  bool* outOfRange = nullptr);
    static int charCount(const std::string& utf8);
};

} // namespace standin
