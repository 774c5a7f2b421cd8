#pragma once

#include "standin/engine/EngineTypes.h"

#include <memory>
#include <string>

namespace standin {

// The server-wide state shared by all sessions: the master catalogue (databases, their files
// and logical names), persisted under --root, and the sa password. Thread-safe.
class Catalogue {
  public:
    // Opens (creating when missing) the master catalogue under root. nullptr with error set
    // when the root cannot be used.
    static std::unique_ptr<Catalogue> open(const std::string& root, const std::string& saPassword,
                                           std::string& error);
    virtual ~Catalogue() = default;

    virtual bool checkPassword(const std::string& login, const std::string& password) const = 0;
    virtual bool databaseExists(const std::string& name) const = 0;
};

} // namespace standin
