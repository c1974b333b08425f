// File names as the comparison sees them.
#pragma once

#include <string>
#include <string_view>

namespace twinsweep {

struct NameParts {
    std::string_view name;       // without the extension
    std::string_view extension;  // from the last '.' on, the dot included
};

// "x.tar.gz" is "x.tar" and ".gz"; ".profile" has no name and the extension
// ".profile"; "README" has no extension.
NameParts SplitFileName(std::string_view fileName);

// Letters A-Z and a-z fold together; every other byte stays as it is.
std::string FoldAsciiCase(std::string_view text);

}  // namespace twinsweep
