// Exact comparison of file contents: divides files of one size into the sets whose
// bytes are equal.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/SearchJob.h"
#include "platform/FileSystem.h"

namespace twinsweep {

// A file found equal to others, as it was when its bytes were compared.
struct EqualFile {
    uint32_t index;
    FileStamp stamp;
};
using FileClass = std::vector<EqualFile>;  // ascending indices

struct SetMember {
    uint32_t index;
    FileStamp stamp;                     // as first opened
    std::unique_ptr<ReadableFile> file;  // null while the file is closed between blocks
};

// Files of one size whose bytes are equal as far as they have been compared.
struct FileSet {
    std::vector<SetMember> members;  // ascending indices
    uint64_t offset = 0;             // bytes compared
    unsigned pass = 0;
    // The distinct parts the pass that made this set found among the files it
    // read: how many the next pass is likely to find, which sizes its blocks.
    size_t partsFound = 1;
    bool readWhole = false;  // its first pass reads each file whole

    uint32_t First() const { return members.front().index; }
    // A set handed to another thread goes without handles: each thread keeps
    // within its own share of them.
    void CloseFiles();
};

// What a pass leaves: the sets still equal so far, and the sets found equal to
// their last byte.
struct PassResult {
    std::vector<FileSet> sets;  // by their first files, ascending
    std::vector<FileClass> classes;
};

// Block buffers start on cache lines: reading into a misaligned buffer costs the
// kernel's copy a good part of its speed. Growing an arena leaves its new lines
// as they come: zeroing them would make pages resident that no block may use.
struct alignas(64) CacheLine {
    CacheLine() {}
    std::byte bytes[64];
};
using BlockArena = std::vector<CacheLine>;

// Members of one pass whose blocks are equal, linked through the pass's list of
// next members.
struct SetPart {
    uint64_t hash;
    uint32_t slot;  // where its first member's block was kept, or none
    uint32_t first, last, count;
};

// One pass over a large set, its members divided into shares that threads
// compare at the same time; the last share done joins the parts of all.
class SharedPass {
public:
    SharedPass(FileSet set, size_t shareCount);
    size_t ShareCount() const { return m_shares.size(); }

private:
    friend class ContentComparer;
    struct Share {
        uint32_t begin, end;
        std::vector<SetPart> parts;
        BlockArena arena;  // the parts' kept blocks
    };
    FileSet m_set;
    std::vector<uint32_t> m_next;
    std::vector<Share> m_shares;
    std::atomic<size_t> m_unfinished;
};

// Files are read side by side, a block of every file per pass, and a file leaves
// as soon as no other shares its bytes so far. Blocks grow from pass to pass, and
// a set too large to keep its files open takes blocks as large as the memory
// budget allows for the parts it is expected to split into, so that its files
// are reopened only a few times. A block that differs from the part the file
// before it joined is hashed to find the part to compare it with; bytes always
// decide. A file is equal to another only when every byte compared came from one
// and the same file, all of it up to the size the walk saw, with no byte after
// that; a file that cannot be read, or that changed, belongs to no set. One comparer is used by one thread at a time.
class ContentComparer {
public:
    // Bytes of block buffers one comparer reads into, whatever the number of files.
    static constexpr size_t kMemoryBudget = 1u << 19;
    // Parts that turn out to have more than one file may keep their blocks beyond
    // that budget, up to this: reading a part's first block again for each file
    // that meets it costs an open and a read each time.
    static constexpr size_t kMostPartMemory = 4 * kMemoryBudget;

    // openFileBudget: how many files this comparer may keep open at once. Files it
    // has to leave out are counted in the job.
    ContentComparer(const FileSystem& fs, SearchJob& job, size_t openFileBudget);

    // Candidates (ascending indices, all collected with the same size) as a set
    // that no pass has looked at yet. Its first pass opens each file, checks its
    // size and reads its first block, or the whole file when it is small, the
    // set too large to stay open, and its first two files begin alike.
    FileSet FirstSet(std::span<const uint32_t> candidates);
    // Whether the next pass over a set is worth dividing among threads: the set is
    // large and its files are reopened for the pass anyway.
    bool Divisible(const FileSet& set) const;

    PassResult Advance(FileSet set);
    // Compares one share of a divided pass. The thread that finishes the last
    // share gets the pass's result; the others get nothing.
    std::optional<PassResult> AdvanceShare(SharedPass& pass, size_t share);

    // Bytes of the current file set compared so far, for the file progress bar.
    uint64_t BytesCompared() const { return m_bytesCompared.load(std::memory_order_relaxed); }

private:
    static constexpr uint32_t kNone = UINT32_MAX;

    struct Pass {
        FileSet& set;
        uint64_t size;
        size_t block;
        bool keepOpen;
        uint32_t partSlots;  // slots for parts' blocks; the two after them are scratch
        std::vector<uint32_t>& next;
    };

    Pass MakePass(FileSet& set, bool keepOpen, std::vector<uint32_t>& next);
    bool BeginAlike(uint32_t a, uint32_t b);
    // Sorts members [begin, end) of the pass into m_parts; forJoin: every part
    // gets its hash, by which the shares' parts are joined.
    bool Partition(Pass& pass, uint32_t begin, uint32_t end, bool forJoin);
    void HashFirstPart(Pass& pass);
    bool RoomForAnotherPart(const Pass& pass) const;
    uint32_t FindPart(Pass& pass, uint64_t hash, uint32_t dataSlot, bool hashed);
    bool SameBytes(Pass& pass, SetPart& part, uint32_t dataSlot);
    // The kept block of a part, or its first member's block read again into slot.
    const std::byte* KeptBytes(Pass& pass, SetPart& part, const BlockArena& arena, uint32_t slot);
    bool ReadAgain(Pass& pass, SetMember& member, uint32_t slot);
    void AddPart(const SetPart& part, bool hashed);
    void Insert(uint32_t part);
    PassResult Join(SharedPass& shared);
    PassResult Collect(Pass& pass, std::span<const SetPart> parts);
    bool ReadBlock(Pass& pass, SetMember& member, bool firstRead, std::byte* buffer);
    OpenResult OpenMember(Pass& pass, uint32_t index);
    OpenResult Open(uint32_t index);
    OpenResult OpenOnce(uint32_t index);
    // The members whose paths still lead to the files read, unchanged.
    FileClass FinishedFiles(const std::vector<SetMember>& members);
    bool StillThere(const SetMember& member) const;
    bool LeaveOut(std::atomic<uint32_t>& counter);
    std::byte* Slot(uint32_t slot, size_t block);
    bool Stopped() const { return m_job.stop.load(std::memory_order_relaxed); }

    const FileSystem& m_fs;
    SearchJob& m_job;
    const FileCatalogue& m_files;
    size_t m_openFileBudget;
    std::atomic<uint64_t> m_bytesCompared{0};
    // Kept from pass to pass, so that passes do not allocate.
    BlockArena m_arena;
    std::vector<SetPart> m_parts;
    std::vector<uint32_t> m_next;       // per member: the next member of its part
    std::vector<uint32_t> m_partTable;  // parts by hash, open addressing
    // A set's files mostly come folder by folder, in the order of the walk.
    uint32_t m_lastFolder = kNone;  // of the file opened last
    uint32_t m_heldFolder = kNone;  // the folder last held open, or tried
    std::unique_ptr<HeldFolder> m_openFolder;
};

}  // namespace twinsweep
