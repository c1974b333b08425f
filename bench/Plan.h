// What a floor program reads, worked out once by one process and read back by
// the processes that time a pass, so that no timed pass follows a pass of its
// own over the same bytes. The plan is the number of files of the tree and the
// files an exact comparison has to read, each with its size, the length of its
// needed prefix and its path, in the order the walk found them.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/NeededLengths.h"

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

// The plan of a walked tree: files holds each file's path and size in walk
// order; readAt(file, offset, buffer, count) reads bytes of the file-th one.
template <class Char, class Files, class ReadAt>
Plan<Char> MakePlan(const Files& files, ReadAt readAt)
{
    std::vector<uint64_t> sizes;
    for (const auto& file : files)
        sizes.push_back(file.size);
    const std::vector<uint64_t> needs = NeededLengths(sizes, readAt);
    Plan<Char> plan;
    plan.treeFiles = files.size();
    for (size_t i = 0; i < files.size(); ++i)
        if (needs[i] > 0)
            plan.files.push_back({files[i].path, files[i].size, needs[i]});
    return plan;
}

// The lines the bench scripts read of a plan just made.
template <class Char, class Files>
void PrintPlanned(const Files& files, size_t folders, const Plan<Char>& plan)
{
    uint64_t bytes = 0, needed = 0;
    for (const auto& file : files)
        bytes += file.size;
    for (const PlannedFile<Char>& file : plan.files)
        needed += file.needed;
    std::printf("Files: %zu in %zu folders, %llu bytes\n", files.size(), folders,
                static_cast<unsigned long long>(bytes));
    std::printf("Read floor bytes: %llu in %zu files\n", static_cast<unsigned long long>(needed), plan.files.size());
}

// Reads the needed prefix of every planned file, readPrefix(file, chunk) for
// each, on threadCount threads. The threads take the next file from a shared
// counter, so a long file on one thread does not leave the others idle.
template <class Char, class ReadPrefix>
void ReadPrefixes(const std::vector<PlannedFile<Char>>& files, unsigned threadCount, size_t chunkBytes,
                  ReadPrefix readPrefix)
{
    std::atomic<size_t> next = 0;
    auto readSome = [&] {
        std::vector<char> chunk(chunkBytes);
        for (size_t i = next++; i < files.size(); i = next++)
            readPrefix(files[i], chunk);
    };
    std::vector<std::jthread> threads;
    for (unsigned i = 1; i < threadCount; ++i)
        threads.emplace_back(readSome);
    readSome();
}

// One timed pass: the plan loaded, the tree walked, the needed bytes read, and
// the tree checked against the plan; prints the time of each of the three.
inline void TimePass(const std::function<void()>& load, const std::function<void()>& walk,
                     const std::function<void()>& read, const std::function<void()>& check)
{
    const double loadSeconds = SecondsOf(load);
    const double walkSeconds = SecondsOf(walk);
    const double readSeconds = SecondsOf(read);
    check();
    std::printf("Plan: %.6f s\nWalk: %.6f s\nRead: %.6f s\n", loadSeconds, walkSeconds, readSeconds);
}

}  // namespace bench
