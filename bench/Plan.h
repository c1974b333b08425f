// What a floor program reads, worked out once by one process and read back by
// the processes that time a pass, so that no timed pass follows a pass of its
// own over the same bytes. The plan is the number of files of the tree and the
// files an exact comparison has to read, each with its size, the length of its
// needed prefix and its path, in the order the walk found them.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

template <class Char>
struct PlannedFile {
    std::basic_string<Char> path;
    uint64_t size;
    uint64_t needed;
};

template <class Char>
struct Plan {
    uint64_t treeFiles = 0;
    std::vector<PlannedFile<Char>> files;
};

namespace detail {

inline void Put(std::string& out, uint64_t value)
{
    out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

inline uint64_t Take(const std::string& in, size_t& at, size_t count)
{
    if (in.size() - at < count)
        throw std::runtime_error("the plan is cut short; make it again");
    uint64_t value = 0;
    std::memcpy(&value, in.data() + at, count);
    at += count;
    return value;
}

}  // namespace detail

template <class Char>
std::string Encode(const Plan<Char>& plan)
{
    std::string out;
    detail::Put(out, plan.treeFiles);
    detail::Put(out, plan.files.size());
    for (const PlannedFile<Char>& file : plan.files) {
        detail::Put(out, file.size);
        detail::Put(out, file.needed);
        detail::Put(out, file.path.size());
        out.append(reinterpret_cast<const char*>(file.path.data()), file.path.size() * sizeof(Char));
    }
    return out;
}

template <class Char>
Plan<Char> Decode(const std::string& in)
{
    size_t at = 0;
    Plan<Char> plan;
    plan.treeFiles = detail::Take(in, at, 8);
    plan.files.resize(detail::Take(in, at, 8));
    for (PlannedFile<Char>& file : plan.files) {
        file.size = detail::Take(in, at, 8);
        file.needed = detail::Take(in, at, 8);
        const size_t length = detail::Take(in, at, 8);
        if ((in.size() - at) / sizeof(Char) < length)
            throw std::runtime_error("the plan is cut short; make it again");
        file.path.resize(length);
        std::memcpy(file.path.data(), in.data() + at, length * sizeof(Char));
        at += length * sizeof(Char);
    }
    return plan;
}

inline double SecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace bench
