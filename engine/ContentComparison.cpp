#include "engine/ContentComparison.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <unordered_map>

namespace twinsweep {
namespace {

// Block sizes grow from step to step: a first small block sorts out most files
// that differ (headers, first bytes) at little cost, larger ones then keep the
// number of reads low for files that go on being equal.
constexpr size_t kStepBlocks[] = {4u << 10, 64u << 10, 256u << 10};
constexpr size_t kMinBlock = 512;

// With more files than this in one set, a hash of each block picks the set member
// to compare it with; the bytes still decide.
constexpr size_t kLinearSearchLimit = 8;

uint64_t HashBlock(const std::byte* data, size_t length)
{
    uint64_t hash = 0x9E3779B97F4A7C15ull ^ length;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t word;
        std::memcpy(&word, data + i, 8);
        hash = (hash ^ word) * 0xFF51AFD7ED558CCDull;
        hash ^= hash >> 32;
    }
    for (; i < length; ++i)
        hash = (hash ^ static_cast<uint8_t>(data[i])) * 0x100000001B3ull;
    return hash;
}

}  // namespace

ContentComparer::ContentComparer(const FileSystem& fs, SearchJob& job, size_t openFileBudget)
    : m_fs(fs), m_job(job), m_files(job.files), m_openFileBudget(openFileBudget)
{
}

std::vector<FileClass> ContentComparer::CompareFileContents(std::span<const uint32_t> candidates)
{
    std::vector<FileClass> classes;
    if (candidates.size() < 2)
        return classes;
    const uint64_t size = m_files.SizeOf(candidates.front());
    m_bytesCompared = 0;
    Members members = OpenMembers(candidates, size);

    struct Pending {
        Members members;
        uint64_t offset;
        unsigned step;
    };
    std::vector<Pending> pending;
    if (members.size() >= 2)
        pending.push_back({std::move(members), 0, 0});
    // One set at a time to its end, so that the file bar shows how far it has got.
    while (!pending.empty() && !Stopped()) {
        Pending set = std::move(pending.back());
        pending.pop_back();
        m_bytesCompared = set.offset;
        if (set.offset == size) {
            FileClass equal = FinishedFiles(set.members);
            if (equal.size() >= 2)
                classes.push_back(std::move(equal));
            continue;
        }
        size_t block = BlockSize(set.step, set.members.size(), size - set.offset);
        std::vector<Members> parts = Partition(std::move(set.members), set.offset, block, size);
        // Pushed in reverse, so the part holding the lowest index is done first.
        for (auto part = parts.rbegin(); part != parts.rend(); ++part)
            pending.push_back({std::move(*part), set.offset + block, set.step + 1});
    }
    if (Stopped())
        return {};
    if (m_arena.size() > kMemoryBudget) {
        m_arena.clear();
        m_arena.shrink_to_fit();
    }
    std::sort(classes.begin(), classes.end());
    return classes;
}

ContentComparer::Members ContentComparer::OpenMembers(std::span<const uint32_t> candidates, uint64_t size)
{
    bool keepOpen = candidates.size() <= m_openFileBudget;
    Members members;
    for (uint32_t index : candidates) {
        if (Stopped())
            break;
        std::string path = m_files.PathOf(index);
        OpenResult opened = m_fs.OpenForReading(path);
        if (opened.outOfHandles && keepOpen) {
            // The process is short of handles: this set lets go of its own and
            // reopens its files for each block, which needs one at a time.
            for (Member& member : members)
                member.file.reset();
            keepOpen = false;
        }
        if (opened.outOfHandles)
            opened = Open(path);
        if (!opened.file) {
            LeaveOut(m_job.unreadableFiles);
            continue;
        }
        // A file that grew or shrank since the walk would be shown with a size it
        // no longer has.
        const FileStamp stamp = opened.file->Stamp();
        if (stamp.size != size) {
            LeaveOut(m_job.changedFiles);
            continue;
        }
        if (!keepOpen)
            opened.file.reset();
        members.push_back({index, stamp, std::move(opened.file)});
    }
    return members;
}

// Waits while the process has no handle left: handles come free as the other
// comparisons close their files, and a file is never dropped for want of one.
// Only a stop ends the wait.
OpenResult ContentComparer::Open(const std::string& path)
{
    constexpr std::chrono::milliseconds kLongestPause{50};
    std::chrono::milliseconds pause{1};
    for (;;) {
        OpenResult opened = m_fs.OpenForReading(path);
        if (!opened.outOfHandles || Stopped())
            return opened;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, kLongestPause);
    }
}

// A look at each path once all its bytes are read: a file replaced, rewritten or
// grown while the comparison held it open, or between two blocks, is no longer
// what was compared.
FileClass ContentComparer::FinishedFiles(const Members& members)
{
    FileClass unchanged;
    for (const Member& member : members) {
        std::optional<FileStamp> now = m_fs.StateOf(m_files.PathOf(member.index));
        if (now && *now == member.stamp)
            unchanged.push_back(member.index);
        else
            LeaveOut(m_job.changedFiles);
    }
    return unchanged;
}

std::vector<ContentComparer::Members> ContentComparer::Partition(Members members, uint64_t offset,
                                                                 size_t block, uint64_t size)
{
    struct Part {
        size_t slot;
        Members members;
    };
    std::vector<Part> parts;
    std::unordered_multimap<uint64_t, size_t> partsByHash;
    const bool hashed = members.size() > kLinearSearchLimit;

    for (Member& member : members) {
        if (Stopped())
            return {};
        std::byte* data = Slot(parts.size(), block);
        if (!ReadBlock(member, offset, block, size, data))
            continue;
        uint64_t hash = hashed ? HashBlock(data, block) : 0;
        auto sameBytes = [&](const Part& part) {
            return std::memcmp(Slot(part.slot, block), data, block) == 0;
        };
        Part* match = nullptr;
        if (hashed) {
            auto [first, last] = partsByHash.equal_range(hash);
            for (auto it = first; it != last && !match; ++it) {
                if (sameBytes(parts[it->second]))
                    match = &parts[it->second];
            }
        } else {
            for (Part& part : parts) {
                if (sameBytes(part)) {
                    match = &part;
                    break;
                }
            }
        }
        if (match) {
            match->members.push_back(std::move(member));
        } else {
            if (hashed)
                partsByHash.emplace(hash, parts.size());
            parts.push_back({parts.size(), {}});
            parts.back().members.push_back(std::move(member));
        }
    }

    std::vector<Members> shared;
    for (Part& part : parts) {
        if (part.members.size() >= 2)
            shared.push_back(std::move(part.members));
    }
    return shared;
}

bool ContentComparer::ReadBlock(Member& member, uint64_t offset, size_t block, uint64_t size,
                                std::byte* buffer)
{
    std::unique_ptr<ReadableFile> reopened;
    ReadableFile* file = member.file.get();
    if (!file) {
        OpenResult opened = Open(m_files.PathOf(member.index));
        if (!opened.file)
            return LeaveOut(m_job.unreadableFiles);
        // Another file renamed into its place, or this one written to, since its
        // first open: its blocks would not all come from one file.
        if (opened.file->Stamp() != member.stamp)
            return LeaveOut(m_job.changedFiles);
        reopened = std::move(opened.file);
        file = reopened.get();
    }
    // The last block asks for one byte more, which a file that grew has.
    const bool last = offset + block == size;
    std::optional<size_t> got = file->ReadAt(offset, buffer, last ? block + 1 : block);
    if (!got)
        return LeaveOut(m_job.unreadableFiles);
    // Short: the file shrank; long: it grew.
    if (*got != block)
        return LeaveOut(m_job.changedFiles);
    return true;
}

// A stopped search reports nothing, so what it left out is not counted either.
bool ContentComparer::LeaveOut(std::atomic<uint32_t>& counter)
{
    if (!Stopped())
        ++counter;
    return false;
}

size_t ContentComparer::BlockSize(unsigned step, size_t memberCount, uint64_t remaining) const
{
    size_t block = kStepBlocks[std::min<size_t>(step, std::size(kStepBlocks) - 1)];
    block = std::min(block, std::max(kMinBlock, kMemoryBudget / memberCount));
    return static_cast<size_t>(std::min<uint64_t>(block, remaining));
}

// A slot holds a block and the one byte more that the last block asks for.
std::byte* ContentComparer::Slot(size_t slot, size_t block)
{
    const size_t stride = block + 1;
    size_t needed = (slot + 1) * stride;
    if (m_arena.size() < needed)
        m_arena.resize(std::max(needed, m_arena.size() * 2));
    return m_arena.data() + slot * stride;
}

}  // namespace twinsweep
