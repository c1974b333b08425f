#pragma once

#include <string>
#include <string_view>

namespace twinsweep {

// A JSON string literal of the text. Bytes that are not well-formed UTF-8 (a Linux
// file name may hold any bytes) become U+FFFD, so the document stays valid.
std::string JsonString(std::string_view text);

}  // namespace twinsweep
