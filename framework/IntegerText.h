// Integers as a user types them into an edit box; plain C++, so that its rules
// are tested without a window.
#pragma once

#include <climits>
#include <optional>
#include <string_view>

namespace twinsweep {

// Digits with an optional sign and spaces around them; a number beyond int's
// range is refused rather than cut.
inline std::optional<int> ParseInteger(std::wstring_view text)
{
    const size_t first = text.find_first_not_of(L' ');
    if (first == std::wstring_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(L' ') - first + 1);
    const bool negative = text.front() == L'-';
    if (negative || text.front() == L'+')
        text.remove_prefix(1);
    if (text.empty())
        return std::nullopt;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (wchar_t digit : text) {
        if (digit < L'0' || digit > L'9')
            return std::nullopt;
        value = value * 10 + (digit - L'0');
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

}  // namespace twinsweep
