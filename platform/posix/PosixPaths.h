// Full paths on POSIX.
#pragma once

#include <string>

namespace twinsweep {

// The absolute form of a path, with no trailing separator unless it is "/".
std::string PosixFullPath(const std::string& path);

}  // namespace twinsweep
