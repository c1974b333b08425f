#include "platform/posix/PosixPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>
#include <vector>

namespace twinsweep {
namespace {

std::string NormalisePath(const std::string& absolute)
{
    std::vector<std::string_view> parts;
    std::string_view rest = absolute;
    while (!rest.empty()) {
        size_t slash = rest.find('/');
        std::string_view part = rest.substr(0, slash);
        rest = slash == std::string_view::npos ? std::string_view{} : rest.substr(slash + 1);
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty())
                parts.pop_back();
            continue;
        }
        parts.push_back(part);
    }
    std::string path;
    for (std::string_view part : parts) {
        path += '/';
        path += part;
    }
    return path.empty() ? "/" : path;
}

}  // namespace

std::string PosixFullPath(const std::string& path)
{
    if (!path.empty() && path.front() == '/')
        return NormalisePath(path);
    std::string current;
    if (char* cwd = getcwd(nullptr, 0)) {
        current = cwd;
        free(cwd);
    }
    return NormalisePath(current + "/" + path);
}

}  // namespace twinsweep
