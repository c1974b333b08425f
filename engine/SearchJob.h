// The records one search carries from its start to its groups.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/FileCatalogue.h"
#include "platform/FileSystem.h"

namespace twinsweep {

// The comparison criteria and the size range, read once when a search starts.
struct SearchOptions {
    bool equalContents = true;
    bool equalNames = false;
    bool equalExtensions = false;
    bool showEmptyFiles = false;
    bool rangeOn = false;
    // Bounds in bytes, both included. 64-bit: bounds of 2048 MB and more do not fit
    // in 32 bits.
    int64_t minSize = 0;
    int64_t maxSize = 0;
};

// Unit index of the size range to bytes: 0 bytes, 1 KB, anything else MB (so also
// -1, a unit box with nothing selected).
int32_t UnitFactor(int32_t unit);

// One file of a duplicate group. The result view owns it once the group is reported.
struct DupFileEntry {
    std::string strPath;
    uint64_t dwSize = 0;  // 64-bit: two different files of 4 GiB must not look alike
    bool bLastInGroup = false;
    bool bFirstInGroup = false;
    // The file as the search found it; none when it found nothing there.
    std::optional<FileStamp> stamp;
};

// The entry's path still leads to the file the search found, unchanged: what a
// user deletes on the search's word must be what the search compared.
bool IsAsFound(const DupFileEntry& entry, const FileSystem& fs);

// The files of one group, at least two: entry 0 is the file collected first, the
// others follow in collection order.
struct DupGroup {
    std::vector<std::unique_ptr<DupFileEntry>> entries;
    uint64_t ByteTotal() const;
};

struct SearchJob {
    std::vector<std::string> folders;
    std::string maskText = "*.*";
    std::vector<std::string> masks;
    SearchOptions options;
    FileCatalogue files;
    // Set when the user stops the search; every loop of the walk and the comparison
    // looks at it.
    std::atomic<bool> stop{false};
    // What the search had to leave out, so that a partial result is not taken for a
    // whole one: files that could not be opened or read, folders that could not be
    // entered, and files that changed while they were compared.
    std::atomic<uint32_t> unreadableFiles{0};
    std::atomic<uint32_t> unreadableFolders{0};
    std::atomic<uint32_t> changedFiles{0};
    // Folders and files the walk reached a second time, through a link or a hard
    // link, and left out there: the folders on those paths look emptier than they are.
    uint32_t repeatsLeftOut = 0;
    // Per collected file, the number of its group in the order reported, or kNoGroup.
    static constexpr uint32_t kNoGroup = UINT32_MAX;
    std::vector<uint32_t> fileGroups;
    // Whether the search also looks for equal folders once the files are grouped.
    bool findEqualFolders = false;
    // Threads that compare contents; 0 for as many as the file system reads best on.
    size_t comparisonWorkers = 0;
};

}  // namespace twinsweep
