#pragma once

#include <string>

namespace twinsweep {

// printf into a string of whatever length the result needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace twinsweep
