#include "cli/JsonWriter.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace twinsweep {
namespace {

// Length of the well-formed UTF-8 sequence at pos, or 0.
size_t Utf8SequenceLength(std::string_view text, size_t pos)
{
    auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    unsigned char lead = byte(pos);
    size_t length;
    unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;  // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (pos + length > text.size() || byte(pos + 1) < low || byte(pos + 1) > high)
        return 0;
    for (size_t i = 2; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

bool IsWellFormedUtf8(std::string_view text)
{
    for (size_t pos = 0; pos < text.size();) {
        if (static_cast<unsigned char>(text[pos]) < 0x80) {
            ++pos;
            continue;
        }
        size_t length = Utf8SequenceLength(text, pos);
        if (length == 0)
            return false;
        pos += length;
    }
    return true;
}

}  // namespace

std::string JsonString(std::string_view text)
{
    std::string json = "\"";
    for (size_t pos = 0; pos < text.size();) {
        auto c = static_cast<unsigned char>(text[pos]);
        if (c >= 0x80) {
            size_t length = Utf8SequenceLength(text, pos);
            if (length == 0) {
                json += "\\ufffd";
                ++pos;
            } else {
                json.append(text.substr(pos, length));
                pos += length;
            }
            continue;
        }
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            json += escaped;
        } else {
            json += static_cast<char>(c);
        }
        ++pos;
    }
    json += '"';
    return json;
}

std::string Base64(std::string_view bytes)
{
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t pos = 0; pos < bytes.size(); pos += 3) {
        size_t count = std::min<size_t>(3, bytes.size() - pos);
        uint32_t group = 0;
        for (size_t i = 0; i < 3; ++i)
            group = (group << 8) | (i < count ? static_cast<unsigned char>(bytes[pos + i]) : 0u);
        for (size_t i = 0; i < 4; ++i)
            text += i <= count ? kDigits[(group >> (18 - 6 * i)) & 0x3F] : '=';
    }
    return text;
}

std::string JsonPathMembers(std::string_view path)
{
    std::string members = "\"path\": " + JsonString(path);
    if (!IsWellFormedUtf8(path))
        members += ", \"pathBase64\": \"" + Base64(path) + '"';
    return members;
}

}  // namespace twinsweep
