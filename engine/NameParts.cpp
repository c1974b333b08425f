#include "engine/NameParts.h"

namespace twinsweep {

NameParts SplitFileName(std::string_view fileName)
{
    size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return {fileName, {}};
    return {fileName.substr(0, dot), fileName.substr(dot)};
}

std::string FoldAsciiCase(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

}  // namespace twinsweep
