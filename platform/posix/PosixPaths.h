// Full paths on POSIX.
#pragma once

#include <string>

namespace twinsweep {

// The absolute form of a path, with no trailing separator unless it is "/". Up to
// its last "..", the path is resolved by the system (links followed); the names
// after that stay as given. An empty path stays empty.
std::string PosixFullPath(const std::string& path);

}  // namespace twinsweep
