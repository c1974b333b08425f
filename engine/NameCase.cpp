#include "engine/NameCase.h"

#include <optional>

namespace twinsweep {
namespace {

// The code point of a well-formed sequence at the start of text, with its length.
std::optional<std::pair<char32_t, size_t>> DecodeUtf8(std::string_view text)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return std::pair{char32_t{lead}, size_t{1}};
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || text.size() < length)
        return std::nullopt;
    char32_t code = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return std::nullopt;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < kShortest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return std::nullopt;
    return std::pair{code, length};
}

void EncodeUtf8(char32_t code, std::string& out)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
        return;
    }
    const size_t length = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
    char bytes[4];
    for (size_t i = length - 1; i > 0; --i) {
        bytes[i] = static_cast<char>(0x80 | (code & 0x3F));
        code >>= 6;
    }
    bytes[0] = static_cast<char>(kLead[length] | code);
    out.append(bytes, length);
}

// Alphabets where upper and lower case alternate, the upper first or second.
bool Between(char32_t c, char32_t first, char32_t last)
{
    return c >= first && c <= last;
}

char32_t Upper(char32_t c)
{
    if (Between(c, 'a', 'z') || (Between(c, 0xE0, 0xFE) && c != 0xF7) || Between(c, 0x3B1, 0x3CB) ||
        Between(c, 0x430, 0x44F) || Between(c, 0xFF41, 0xFF5A))
        return c == 0x3C2 ? 0x3A3 : c - 0x20;  // the final sigma is a sigma
    if (c == 0xFF)
        return 0x178;
    if (Between(c, 0x450, 0x45F))
        return c - 0x50;
    if (c == 0x3AC)
        return 0x386;
    if (Between(c, 0x3AD, 0x3AF))
        return c - 0x25;
    if (c == 0x3CC)
        return 0x38C;
    if (Between(c, 0x3CD, 0x3CE))
        return c - 0x3F;
    const bool lowerIsOdd = Between(c, 0x100, 0x12F) || Between(c, 0x132, 0x137) || Between(c, 0x14A, 0x177) ||
                            Between(c, 0x460, 0x481) || Between(c, 0x48A, 0x4BF);
    const bool lowerIsEven = Between(c, 0x139, 0x148) || Between(c, 0x179, 0x17E);
    if ((lowerIsOdd && c % 2 == 1) || (lowerIsEven && c % 2 == 0))
        return c - 1;
    return c;
}

}  // namespace

std::string NameCaseKey(std::string_view name)
{
    std::string key;
    key.reserve(name.size());
    while (!name.empty()) {
        if (auto decoded = DecodeUtf8(name)) {
            EncodeUtf8(Upper(decoded->first), key);
            name.remove_prefix(decoded->second);
        } else {
            key += name.front();
            name.remove_prefix(1);
        }
    }
    return key;
}

}  // namespace twinsweep
