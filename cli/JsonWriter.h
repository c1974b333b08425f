#pragma once

#include <string>
#include <string_view>

namespace twinsweep {

// A JSON string literal of the text. Bytes that are not well-formed UTF-8 (a Linux
// file name may hold any bytes) become U+FFFD, so the document stays valid.
std::string JsonString(std::string_view text);

// The members that name a file: "path", readable as JSON text, and, only for a name
// that is not well-formed UTF-8, "pathBase64" with its exact bytes. Two names that
// differ only in such bytes share a "path" but never a "pathBase64".
std::string JsonPathMembers(std::string_view path);

// The bytes in base64 with padding (RFC 4648).
std::string Base64(std::string_view bytes);

}  // namespace twinsweep
