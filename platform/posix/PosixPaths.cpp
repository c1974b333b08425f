#include "platform/posix/PosixPaths.h"

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

namespace twinsweep {
namespace {

struct FreeDeleter {
    void operator()(char* text) const { free(text); }
};
using MallocText = std::unique_ptr<char, FreeDeleter>;

// The names between the slashes; "." and empty names say nothing and are dropped.
std::vector<std::string_view> SplitNames(std::string_view path)
{
    std::vector<std::string_view> names;
    while (!path.empty()) {
        size_t slash = path.find('/');
        std::string_view name = path.substr(0, slash);
        path = slash == std::string_view::npos ? std::string_view{} : path.substr(slash + 1);
        if (!name.empty() && name != ".")
            names.push_back(name);
    }
    return names;
}

void AppendName(std::string& path, std::string_view name)
{
    if (path.empty() || path.back() != '/')
        path += '/';
    path += name;
}

}  // namespace

std::string PosixFullPath(const std::string& path)
{
    if (path.empty())
        return path;
    std::string absolute = path;
    if (path.front() != '/') {
        MallocText current(getcwd(nullptr, 0));
        // A working folder that was removed has no name: the path stays relative,
        // and the system finds nothing under it either.
        if (!current)
            return path;
        absolute = std::string(current.get()) + "/" + path;
    }

    std::vector<std::string_view> names = SplitNames(absolute);
    size_t afterLastUp = 0;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] == "..")
            afterLastUp = i + 1;
    }
    // "link/.." is the parent of the link's target, so only the system can say where
    // a ".." leads. The names after the last one stay as the user gave them.
    std::string full;
    for (size_t i = 0; i < afterLastUp; ++i)
        AppendName(full, names[i]);
    if (afterLastUp > 0) {
        // When that part cannot be resolved it names nothing; keeping its ".." keeps
        // it naming nothing, instead of some folder the text happens to lead to.
        if (MallocText resolved{realpath(full.c_str(), nullptr)})
            full = resolved.get();
    }
    for (size_t i = afterLastUp; i < names.size(); ++i)
        AppendName(full, names[i]);
    return full.empty() ? "/" : full;
}

}  // namespace twinsweep
