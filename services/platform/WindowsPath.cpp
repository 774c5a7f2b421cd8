#include "services/platform/WindowsPath.h"

#include <cctype>
#include <cstdlib>

namespace WindowsPath {

bool hasDrive(const std::string& windowsPath) {
    return windowsPath.size() >= 2 && std::isalpha(static_cast<unsigned char>(windowsPath[0])) &&
           windowsPath[1] == ':';
}

std::string toLocal(const std::string& windowsPath, const std::string& driveRoot) {
    std::string path = windowsPath;
    if (hasDrive(path)) {
        const char drive = char(std::tolower(static_cast<unsigned char>(path[0])));
        path.erase(0, 2);
        // "d:" alone and "d:x" both live under the drive's root.
        if (path.empty() || (path[0] != '\\' && path[0] != '/'))
            path.insert(path.begin(), '/');
        if (!driveRoot.empty()) {
            std::string root = driveRoot;
            while (root.size() > 1 && root.back() == '/')
                root.pop_back();
            path = (root == "/" ? "" : root) + "/" + drive + path;
        }
    }
    for (char& c : path)
        if (c == '\\')
            c = '/';
    return path;
}

std::string toLocal(const std::string& windowsPath) {
    return toLocal(windowsPath, driveRootFromEnvironment());
}

std::string driveRootFromEnvironment() {
    const char* root = std::getenv(DriveRootVariable);
    return root ? std::string(root) : std::string();
}

} // namespace WindowsPath
