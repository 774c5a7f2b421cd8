#include "WindowsPath.h"

#include <cctype>

namespace WindowsPath {

std::string toLocal(const std::string& windowsPath) {
    std::string path = windowsPath;
    bool hasDrive = path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) &&
                    path[1] == ':';
    if (hasDrive) {
        path.erase(0, 2);
        // "d:" alone and "d:x" both live under the root.
        if (path.empty() || (path[0] != '\\' && path[0] != '/'))
            path.insert(path.begin(), '/');
    }
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

} // namespace WindowsPath
