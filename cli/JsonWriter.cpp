#include "cli/JsonWriter.h"

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

}  // namespace twinsweep
