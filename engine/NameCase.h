// Names compared as Windows compares them: without regard to case, letter by
// letter, for the common alphabets and not only for A-Z.
#pragma once

#include <string>
#include <string_view>

namespace twinsweep {

// The UTF-8 name with every letter in upper case: Latin (with Latin-1 and
// Latin Extended-A), Greek, Cyrillic and the full-width Latin letters. Two
// names that Windows takes for one name give the same key; bytes that are not
// well-formed UTF-8 stay as they are.
std::string NameCaseKey(std::string_view name);

}  // namespace twinsweep
