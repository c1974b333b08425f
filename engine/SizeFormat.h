#pragma once

#include <cstdint>
#include <string>

namespace twinsweep {

// A byte count as the statistics show it: a unit is taken only once the count
// exceeds five of it, so 5120 bytes read "5120 bytes" and 5121 read "5 KB".
std::string FormatSize(uint64_t bytes);

}  // namespace twinsweep
