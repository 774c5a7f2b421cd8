#pragma once

#include <string>

// The tool runs on the database server's machine: paths typed by the installer go into
// statements unchanged, and wherever the tool or the stand-in touches the local file system
// they are read with this one rule, so both sides agree on where a file lives.
namespace WindowsPath {

// The environment variable that moves drive paths under a directory (the demo keeps
// "d:\vqdata" inside its own folder, so no root rights are needed).
inline constexpr const char* DriveRootVariable = "VARNOSET_DRIVE_ROOT";

// True when the path starts with a drive prefix such as "d:".
bool hasDrive(const std::string& windowsPath);

// "\" and "/" both separate names. A leading drive prefix stands for the root when driveRoot
// is empty ("d:\vqdata" -> "/vqdata"), otherwise for driveRoot/<letter in lower case>
// ("d:\vqdata" -> "<driveRoot>/d/vqdata"). Paths without a drive prefix are not moved.
std::string toLocal(const std::string& windowsPath, const std::string& driveRoot);

// toLocal with the drive root VARNOSET_DRIVE_ROOT names (none when unset or empty).
std::string toLocal(const std::string& windowsPath);

// The drive root from the environment; empty when none is set.
std::string driveRootFromEnvironment();

} // namespace WindowsPath
