#pragma once

#include <string>

// The tool runs on the database server's machine: paths typed by the installer go into
// statements unchanged, and wherever the tool or the stand-in touches the local file system
// they are read with this one rule, so both sides agree on where a file lives.
namespace WindowsPath {

// "\" and "/" both separate names; a leading drive prefix ("d:") stands for the root.
// "d:\vqdata" -> "/vqdata", "data\vqdata" -> "data/vqdata", "/tmp/x" -> "/tmp/x".
std::string toLocal(const std::string& windowsPath);

} // namespace WindowsPath
