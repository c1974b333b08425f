// Exact comparison of file contents: divides files of one size into the sets whose
// bytes are equal.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "engine/SearchJob.h"
#include "platform/FileSystem.h"

namespace twinsweep {

using FileClass = std::vector<uint32_t>;  // catalogue indices, ascending

class ContentComparer {
public:
    // Bytes of block buffers one comparer may hold, whatever the number of files.
    static constexpr size_t kMemoryBudget = 16u << 20;

    // openFileBudget: how many files this comparer may keep open at once. Files it
    // has to leave out are counted in the job.
    ContentComparer(const FileSystem& fs, SearchJob& job, size_t openFileBudget);

    // Divides candidates (ascending indices, all collected with the same size) into
    // the sets of two or more files with equal bytes. Files are read side by side in
    // growing blocks and a file leaves as soon as no other shares its bytes so far:
    // every byte is read at most once, and equality is always decided by comparing
    // bytes. A file is equal to another only when every byte compared came from one
    // and the same file, all of it up to the size the walk saw, with no byte after
    // that; a file that cannot be read, or that changed, belongs to no set.
    std::vector<FileClass> CompareFileContents(std::span<const uint32_t> candidates);

    // Bytes of the current file set compared so far, for the file progress bar.
    uint64_t BytesCompared() const { return m_bytesCompared.load(std::memory_order_relaxed); }

private:
    struct Member {
        uint32_t index;
        FileStamp stamp;                     // as first opened
        std::unique_ptr<ReadableFile> file;  // null when files are reopened for each block
    };
    using Members = std::vector<Member>;

    Members OpenMembers(std::span<const uint32_t> candidates, uint64_t size);
    OpenResult Open(const std::string& path);
    // The members whose paths still lead to the files read, unchanged.
    FileClass FinishedFiles(const Members& members);
    std::vector<Members> Partition(Members members, uint64_t offset, size_t block, uint64_t size);
    bool ReadBlock(Member& member, uint64_t offset, size_t block, uint64_t size, std::byte* buffer);
    bool LeaveOut(std::atomic<uint32_t>& counter);
    size_t BlockSize(unsigned step, size_t memberCount, uint64_t remaining) const;
    std::byte* Slot(size_t slot, size_t block);
    bool Stopped() const { return m_job.stop.load(std::memory_order_relaxed); }

    const FileSystem& m_fs;
    SearchJob& m_job;
    const FileCatalogue& m_files;
    size_t m_openFileBudget;
    std::vector<std::byte> m_arena;
    std::atomic<uint64_t> m_bytesCompared{0};
};

}  // namespace twinsweep
