#include "platform/posix/WildcardMatch.h"

#include "platform/FileSystem.h"

namespace twinsweep {
namespace {

char Upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsContinuationByte(char c)
{
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Length of the UTF-8 character that starts at pos, so that '?' takes one
// character, not one byte.
size_t CharLength(std::string_view text, size_t pos)
{
    size_t end = pos + 1;
    while (end < text.size() && IsContinuationByte(text[end]))
        ++end;
    return end - pos;
}

// Glob matching with one backtrack point: the position after the latest '*'.
bool Glob(std::string_view mask, std::string_view name)
{
    size_t m = 0, n = 0;
    size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = ++m;
            starName = n;
        } else if (m < mask.size() && mask[m] == '?') {
            ++m;
            n += CharLength(name, n);
        } else if (m < mask.size() && Upper(mask[m]) == Upper(name[n])) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask;
            starName += CharLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

bool EndsWith(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

bool MatchesMask(std::string_view mask, std::string_view name)
{
    if (MatchesEveryName(mask))
        return true;
    if (Glob(mask, name))
        return true;
    bool hasDot = name.find('.') != std::string_view::npos;
    if (EndsWith(mask, ".*"))
        return !hasDot && Glob(mask.substr(0, mask.size() - 2), name);
    if (EndsWith(mask, "."))
        return !hasDot && Glob(mask.substr(0, mask.size() - 1), name);
    return false;
}

bool ListsBefore(std::string_view a, std::string_view b)
{
    size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        auto ca = static_cast<unsigned char>(Upper(a[i]));
        auto cb = static_cast<unsigned char>(Upper(b[i]));
        if (ca != cb)
            return ca < cb;
    }
    return a.size() < b.size();
}

uint64_t ListingKey(std::string_view name)
{
    uint64_t key = 0;
    for (size_t i = 0; i < 8; ++i)
        key = key << 8 | (i < name.size() ? static_cast<unsigned char>(Upper(name[i])) : 0);
    return key;
}

}  // namespace twinsweep
