// Which bytes of each file an exact comparison cannot skip: none of a file alone
// in its size, all of a file with a copy, and of any other file its bytes up to
// and including the one at which it parts from the file of its size that
// follows it longest. Size buckets are read chunk by chunk, in growing chunks,
// since most files part at their first bytes; so files of any size take little
// memory. Shared by the floor programs of both platforms.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <numeric>
#include <vector>

namespace bench {

// Reads count bytes at offset of the file numbered file, or throws.
using ReadChunk = std::function<void(size_t file, uint64_t offset, char* buffer, size_t count)>;

namespace detail {

constexpr size_t kFirstChunk = 4096;
constexpr size_t kLargestChunk = 1 << 20;

inline size_t MismatchOffset(const std::vector<char>& a, const std::vector<char>& b)
{
    return static_cast<size_t>(std::mismatch(a.begin(), a.end(), b.begin()).first - a.begin());
}

// Splits one class of files that agree up to offset by the next count bytes. A
// file left alone is settled: it reaches up to the byte where it parts from the
// member of the class that followed it longest, in sorted order one of its two
// neighbours.
inline void SplitClass(const ReadChunk& read, const std::vector<size_t>& members, uint64_t offset, size_t count,
                       std::vector<uint64_t>& needs, std::vector<std::vector<size_t>>& survivors)
{
    std::vector<std::vector<char>> chunks(members.size(), std::vector<char>(count));
    for (size_t i = 0; i < members.size(); ++i)
        read(members[i], offset, chunks[i].data(), count);
    std::vector<size_t> order(members.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return chunks[a] < chunks[b]; });
    for (size_t runStart = 0; runStart < order.size();) {
        size_t runEnd = runStart + 1;
        while (runEnd < order.size() && chunks[order[runEnd]] == chunks[order[runStart]])
            ++runEnd;
        if (runEnd - runStart == 1) {
            const size_t alone = order[runStart];
            size_t furthest = 0;
            if (runStart > 0)
                furthest = MismatchOffset(chunks[alone], chunks[order[runStart - 1]]);
            if (runEnd < order.size())
                furthest = std::max(furthest, MismatchOffset(chunks[alone], chunks[order[runEnd]]));
            needs[members[alone]] = offset + furthest + 1;
        } else {
            std::vector<size_t>& survivor = survivors.emplace_back();
            for (size_t i = runStart; i < runEnd; ++i)
                survivor.push_back(members[order[i]]);
        }
        runStart = runEnd;
    }
}

inline void SettleBucket(const ReadChunk& read, std::vector<size_t> bucket, uint64_t size,
                         std::vector<uint64_t>& needs)
{
    std::vector<std::vector<size_t>> classes{std::move(bucket)};
    size_t chunk = kFirstChunk;
    for (uint64_t offset = 0; offset < size && !classes.empty();
         offset += chunk, chunk = std::min(chunk * 2, kLargestChunk)) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(chunk, size - offset));
        std::vector<std::vector<size_t>> survivors;
        for (const std::vector<size_t>& members : classes)
            SplitClass(read, members, offset, count, needs, survivors);
        classes = std::move(survivors);
    }
    for (const std::vector<size_t>& copies : classes)
        for (size_t file : copies)
            needs[file] = size;
}

}  // namespace detail

// The number of leading bytes of each file, by the files' sizes.
inline std::vector<uint64_t> NeededLengths(const std::vector<uint64_t>& sizes, const ReadChunk& read)
{
    std::vector<size_t> bySize(sizes.size());
    std::iota(bySize.begin(), bySize.end(), 0);
    std::sort(bySize.begin(), bySize.end(), [&](size_t a, size_t b) { return sizes[a] < sizes[b]; });
    std::vector<uint64_t> needs(sizes.size(), 0);
    for (size_t start = 0; start < bySize.size();) {
        const uint64_t size = sizes[bySize[start]];
        size_t end = start + 1;
        while (end < bySize.size() && sizes[bySize[end]] == size)
            ++end;
        if (size > 0 && end - start > 1)
            detail::SettleBucket(read, std::vector<size_t>(bySize.begin() + start, bySize.begin() + end), size,
                                 needs);
        start = end;
    }
    return needs;
}

}  // namespace bench
