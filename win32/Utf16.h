// UTF-8 inside the program, UTF-16 at the Windows API.
#pragma once

#include <string>
#include <string_view>

namespace twinsweep {

// Lossless both ways for every name NTFS can hold: an unpaired surrogate, which is
// no Unicode but a legal name, travels as its three-byte form.
std::string WideToUtf8(std::wstring_view text);
std::wstring Utf8ToWide(std::string_view text);

}  // namespace twinsweep
