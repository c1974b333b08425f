#pragma once

#include <string>
#include <vector>

namespace twinsweep {

// Splits a text at ';' and ',' and appends the non-empty pieces. With dropSpaces,
// spaces are left out wherever they stand, inside a piece too.
void SplitMaskList(const std::string& text, std::vector<std::string>& list, bool dropSpaces);

}  // namespace twinsweep
