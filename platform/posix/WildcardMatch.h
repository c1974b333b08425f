#pragma once

#include <cstdint>
#include <string_view>

namespace twinsweep {

// Matches a name against a mask as Windows does: '*' any run of characters, '?' one
// character, letters compared without regard to case; "*.*" matches every name,
// "name.*" also matches "name" without a dot, and "name." only names without one.
bool MatchesMask(std::string_view mask, std::string_view name);

// The order in which NTFS lists a folder: by upper-cased name.
bool ListsBefore(std::string_view a, std::string_view b);

// The first eight bytes of the upper-cased name as a number: names whose numbers
// differ list in the order of their numbers.
uint64_t ListingKey(std::string_view name);

}  // namespace twinsweep
