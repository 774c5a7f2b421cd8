#pragma once

#include "standin/engine/EngineTypes.h"

#include <string>
#include <vector>

namespace standin::tds {

// The @params text of sp_executesql/sp_prepare ("@P1 NVARCHAR(128),@P2 DECIMAL(10,2) OUTPUT"):
// the names and types in declaration order, for parameters that arrive unnamed.
class ParamDeclaration {
  public:
    struct Entry {
        std::string name;
        SqlType type = SqlType::NVarChar;
    };
    static std::vector<Entry> parse(const std::string& declaration);
};

} // namespace standin::tds
