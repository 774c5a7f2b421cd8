#pragma once

#include "standin/engine/EngineTypes.h"
#include "standin/tds/TokenWriter.h"

#include <vector>

namespace standin::tds {

// Turns the engine's columns and rows into COLMETADATA and ROW tokens. The declared column
// type is kept whenever every value fits it; a value that does not fit widens the column
// (INT to BIGINT, any type to NVARCHAR, NVARCHAR/VARCHAR over 8000 bytes to NTEXT/TEXT)
// instead of being cut or sent as a wrong value.
class ResultSetEncoder {
  public:
    static void write(TokenWriter& out, const std::vector<ColumnInfo>& columns,
                      const std::vector<std::vector<Value>>& rows);
    // COLMETADATA alone, for sp_prepare.
    static void writeMetadata(TokenWriter& out, const std::vector<ColumnInfo>& columns);
};

} // namespace standin::tds
