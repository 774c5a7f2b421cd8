#pragma once

#include "standin/engine/EngineTypes.h"

#include <string>
#include <vector>

namespace standin {

// SQL Server's numbers, severities, states and texts, kept in one table so that every part of
// the engine words a message exactly alike.
class Errors {
  public:
    // The message with this number, its "%s"/"%d" placeholders filled from args in order.
    // An unknown number yields a generic severity-16 message carrying args[0].
    static Message make(int number, const std::vector<std::string>& args = {});
    // As make(), with another state than the table's.
    static Message makeWithState(int number, int state, const std::vector<std::string>& args);
};

} // namespace standin
