#include "engine/ContentComparison.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <thread>
#include <utility>

#if defined(_WIN32) && (defined(__x86_64__) || defined(__i386__))
#include <emmintrin.h>
#define TWINSWEEP_SSE2_COMPARE 1
#endif

namespace twinsweep {
namespace {

// Block sizes grow from pass to pass: a first small block sorts out most files
// that differ (headers, first bytes) at little cost, larger ones then keep the
// number of reads low for files that go on being equal.
constexpr size_t kPassBlocks[] = {4u << 10, 64u << 10, 256u << 10};

// Opening a file again costs about as much as copying this many bytes more: a
// file no larger, of a set that cannot stay open and is likely to stay whole
// past its first block, is read whole at its first open and never opened again.
constexpr uint64_t kReadWhole = 16u << 10;

// With more files than this in one set, a hash of each block picks the part to
// compare it with; fewer are compared with each part in turn.
constexpr size_t kLinearSearchLimit = 8;

// Beyond the slots that keep the first block of each part: one for a block that
// finds no free slot, one for a first member's block read again.
constexpr size_t kScratchSlots = 2;

// Four lanes that do not wait for each other keep the multiplier busy, so the hash
// costs less than reading the bytes did.
uint64_t HashBlock(const std::byte* data, size_t length)
{
    constexpr uint64_t kMul1 = 0x9E3779B185EBCA87ull, kMul2 = 0xC2B2AE3D27D4EB4Full;
    uint64_t lanes[4] = {kMul1 + kMul2, kMul2, 0, 0 - kMul1};
    size_t i = 0;
    for (; i + 32 <= length; i += 32) {
        for (size_t lane = 0; lane < 4; ++lane) {
            uint64_t word;
            std::memcpy(&word, data + i + 8 * lane, 8);
            lanes[lane] = std::rotl(lanes[lane] + word * kMul2, 31) * kMul1;
        }
    }
    uint64_t hash = length;
    for (uint64_t lane : lanes)
        hash = std::rotl(hash ^ lane, 27) * kMul1;
    for (; i < length; ++i)
        hash = (hash ^ static_cast<uint8_t>(data[i])) * kMul2;
    hash ^= hash >> 33;
    hash *= kMul2;
    return hash ^ (hash >> 29);
}

#if TWINSWEEP_SSE2_COMPARE
// Sixty-four bytes between branches.
__attribute__((target("sse2"))) bool EqualBytesSse2(const std::byte* a, const std::byte* b, size_t length)
{
    const auto* x = reinterpret_cast<const __m128i*>(a);
    const auto* y = reinterpret_cast<const __m128i*>(b);
    size_t i = 0;
    for (; i + 64 <= length; i += 64, x += 4, y += 4) {
        const __m128i low = _mm_or_si128(_mm_xor_si128(_mm_loadu_si128(x), _mm_loadu_si128(y)),
                                         _mm_xor_si128(_mm_loadu_si128(x + 1), _mm_loadu_si128(y + 1)));
        const __m128i high = _mm_or_si128(_mm_xor_si128(_mm_loadu_si128(x + 2), _mm_loadu_si128(y + 2)),
                                          _mm_xor_si128(_mm_loadu_si128(x + 3), _mm_loadu_si128(y + 3)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(low, high), _mm_setzero_si128())) != 0xFFFF)
            return false;
    }
    return std::memcmp(a + i, b + i, length - i) == 0;
}
#endif

// Blocks of equal files are compared whole, so this is the comparison's inner
// loop. The Windows C runtime's memcmp takes eight bytes a step (a third of the
// speed of sixteen, under Wine); glibc's is vectorized already.
bool EqualBytes(const std::byte* a, const std::byte* b, size_t length)
{
#if TWINSWEEP_SSE2_COMPARE && defined(__x86_64__)
    return EqualBytesSse2(a, b, length);
#elif TWINSWEEP_SSE2_COMPARE
    static const bool sse2 = __builtin_cpu_supports("sse2");
    return sse2 ? EqualBytesSse2(a, b, length) : std::memcmp(a, b, length) == 0;
#else
    return std::memcmp(a, b, length) == 0;
#endif
}

// A slot holds a block and the one byte more that the last block asks for, in
// whole cache lines.
size_t SlotStride(size_t block)
{
    return (block + sizeof(CacheLine)) / sizeof(CacheLine) * sizeof(CacheLine);
}

std::byte* At(BlockArena& arena, size_t offset)
{
    return reinterpret_cast<std::byte*>(arena.data()) + offset;
}

const std::byte* At(const BlockArena& arena, size_t offset)
{
    return reinterpret_cast<const std::byte*>(arena.data()) + offset;
}

}  // namespace

void FileSet::CloseFiles()
{
    for (SetMember& member : members)
        member.file.reset();
}

SharedPass::SharedPass(FileSet set, size_t shareCount)
    : m_set(std::move(set)), m_next(m_set.members.size()), m_unfinished(shareCount)
{
    const size_t count = m_set.members.size();
    for (size_t share = 0; share < shareCount; ++share) {
        m_shares.push_back({static_cast<uint32_t>(count * share / shareCount),
                            static_cast<uint32_t>(count * (share + 1) / shareCount), {}, {}});
    }
}

ContentComparer::ContentComparer(const FileSystem& fs, SearchJob& job, size_t openFileBudget)
    : m_fs(fs), m_job(job), m_files(job.files), m_openFileBudget(openFileBudget)
{
}

FileSet ContentComparer::FirstSet(std::span<const uint32_t> candidates)
{
    FileSet set;
    set.members.reserve(candidates.size());
    for (uint32_t index : candidates)
        set.members.push_back({index, {}, nullptr});
    const uint64_t size = m_files.SizeOf(candidates.front());
    set.readWhole = candidates.size() > m_openFileBudget && size > kPassBlocks[0] && size <= kReadWhole &&
                    BeginAlike(candidates[0], candidates[1]);
    return set;
}

// Whether two files agree in their first block: a guess, not a verdict, of
// whether the files of their set go on being equal past it.
bool ContentComparer::BeginAlike(uint32_t a, uint32_t b)
{
    // The second slot first: making room for it may move the first.
    std::byte* second = Slot(1, kPassBlocks[0]);
    std::byte* first = Slot(0, kPassBlocks[0]);
    for (auto [index, buffer] : {std::pair{a, first}, std::pair{b, second}}) {
        OpenResult opened = OpenOnce(index);
        if (!opened.file || opened.file->ReadAt(0, buffer, kPassBlocks[0]) != kPassBlocks[0])
            return false;
    }
    return EqualBytes(first, second, kPassBlocks[0]);
}

// Smaller sets are not worth the handing over; sets kept open hold handles that
// belong to one thread's share.
bool ContentComparer::Divisible(const FileSet& set) const
{
    constexpr size_t kDivisibleSet = 1024;
    return set.members.size() >= kDivisibleSet && set.members.size() > m_openFileBudget;
}

PassResult ContentComparer::Advance(FileSet set)
{
    if (set.members.size() < 2)
        return {};
    Pass pass = MakePass(set, set.members.size() <= m_openFileBudget, m_next);
    if (!Partition(pass, 0, static_cast<uint32_t>(set.members.size()), false))
        return {};
    return Collect(pass, m_parts);
}

std::optional<PassResult> ContentComparer::AdvanceShare(SharedPass& shared, size_t share)
{
    SharedPass::Share& mine = shared.m_shares[share];
    Pass pass = MakePass(shared.m_set, false, shared.m_next);
    if (Partition(pass, mine.begin, mine.end, true)) {
        mine.parts = std::move(m_parts);
        mine.arena = std::move(m_arena);
    }
    m_parts.clear();
    m_arena.clear();
    if (shared.m_unfinished.fetch_sub(1, std::memory_order_acq_rel) != 1)
        return std::nullopt;
    if (Stopped())
        return PassResult{};
    return Join(shared);
}

ContentComparer::Pass ContentComparer::MakePass(FileSet& set, bool keepOpen, std::vector<uint32_t>& next)
{
    const uint64_t size = m_files.SizeOf(set.First());
    // Room for the blocks of as many parts as the last pass found: a set that
    // splits into many parts reads small blocks, one that stays whole large ones.
    const size_t parts = std::min(set.partsFound, set.members.size());
    // Whole pages, so that each read after the first starts on a page boundary.
    constexpr size_t kPage = 4096;
    // A set expected to stay whole needs no room for a block read again: its one
    // part keeps a block, and the file read takes the other.
    const size_t slots = parts == 1 ? 2 : parts + kScratchSlots;
    const size_t roomy = std::max(kPassBlocks[0], kMemoryBudget / slots / kPage * kPage);
    size_t block = kPassBlocks[std::min<size_t>(set.pass, std::size(kPassBlocks) - 1)];
    // Files that cannot stay open are opened again for every pass: the fewer
    // passes, the better. The first look is small all the same, since most sets
    // part at their first bytes, but for a set chosen to be read whole. Past the
    // first look, a set expected to stay whole most likely holds copies, which are
    // read to their end anyway: large blocks from then on spare reads.
    const bool reopened = !keepOpen && (set.pass > 0 || set.readWhole);
    if (reopened || (set.pass > 0 && parts == 1))
        block = roomy;
    block = static_cast<size_t>(std::min<uint64_t>(std::min(block, roomy), size - set.offset));
    // The first block of each part stays where it was read while there is room;
    // parts found later are compared by reading their first member again.
    const size_t partSlots = std::max(kScratchSlots + 1, kMemoryBudget / SlotStride(block)) - kScratchSlots;
    next.resize(set.members.size());
    m_bytesCompared = set.offset;
    return {set, size, block, keepOpen, static_cast<uint32_t>(partSlots), next};
}

bool ContentComparer::Partition(Pass& pass, uint32_t begin, uint32_t end, bool forJoin)
{
    const bool hashed = pass.set.members.size() > kLinearSearchLimit;
    // A set that stayed whole is likely to stay whole: its first part is hashed
    // only once a file differs from it, or for the join of a shared pass.
    const bool expectWhole = hashed && pass.set.partsFound == 1;
    bool firstUnhashed = false;
    uint32_t keptSlots = 0;
    uint32_t lastJoined = kNone;
    m_parts.clear();
    if (hashed)
        m_partTable.assign(64, kNone);
    for (uint32_t m = begin; m < end; ++m) {
        if (Stopped())
            return false;
        pass.next[m] = kNone;
        const uint32_t slot = std::min(keptSlots, pass.partSlots);
        if (!ReadBlock(pass, pass.set.members[m], pass.set.pass == 0, Slot(slot, pass.block)))
            continue;
        if (expectWhole && m_parts.empty() && slot < pass.partSlots) {
            AddPart({0, slot, m, m, 1}, false);
            ++keptSlots;
            firstUnhashed = true;
            lastJoined = 0;
            continue;
        }
        // Files that go on being equal meet the part the file before them joined:
        // their blocks are compared with its kept block and never hashed. A file
        // that started a part of its own, as every file of a set that parts
        // does, sends the next one straight to the hash.
        uint32_t part = kNone;
        uint64_t hash = 0;
        if (hashed && lastJoined != kNone && m_parts[lastJoined].slot != kNone &&
            SameBytes(pass, m_parts[lastJoined], slot))
            part = lastJoined;
        if (part == kNone) {
            if (std::exchange(firstUnhashed, false))
                HashFirstPart(pass);
            hash = hashed ? HashBlock(Slot(slot, pass.block), pass.block) : 0;
            part = FindPart(pass, hash, slot, hashed);
        }
        if (part != kNone) {
            // A part that found no room when it began is read again for every
            // file that meets it: it keeps this file's equal block instead.
            if (m_parts[part].slot == kNone && slot == pass.partSlots && RoomForAnotherPart(pass)) {
                m_parts[part].slot = pass.partSlots++;
                ++keptSlots;
            }
            pass.next[m_parts[part].last] = m;
            m_parts[part].last = m;
            ++m_parts[part].count;
            lastJoined = part;
            continue;
        }
        const bool kept = slot < pass.partSlots;
        lastJoined = kNone;
        AddPart({hash, kept ? slot : kNone, m, m, 1}, hashed);
        keptSlots += kept;
    }
    if (firstUnhashed && forJoin)
        HashFirstPart(pass);
    return !Stopped();
}

void ContentComparer::HashFirstPart(Pass& pass)
{
    SetPart& first = m_parts.front();
    first.hash = HashBlock(At(m_arena, first.slot * SlotStride(pass.block)), pass.block);
    Insert(0);
}

uint32_t ContentComparer::FindPart(Pass& pass, uint64_t hash, uint32_t dataSlot, bool hashed)
{
    if (!hashed) {
        for (uint32_t part = 0; part < m_parts.size(); ++part) {
            if (SameBytes(pass, m_parts[part], dataSlot))
                return part;
        }
        return kNone;
    }
    // Different hashes prove different bytes; equal ones prove nothing.
    const size_t mask = m_partTable.size() - 1;
    for (size_t at = hash & mask; m_partTable[at] != kNone; at = (at + 1) & mask) {
        SetPart& part = m_parts[m_partTable[at]];
        if (part.hash == hash && SameBytes(pass, part, dataSlot))
            return m_partTable[at];
    }
    return kNone;
}

bool ContentComparer::SameBytes(Pass& pass, SetPart& part, uint32_t dataSlot)
{
    const std::byte* kept = KeptBytes(pass, part, m_arena, pass.partSlots + 1);
    return kept && EqualBytes(kept, Slot(dataSlot, pass.block), pass.block);
}

const std::byte* ContentComparer::KeptBytes(Pass& pass, SetPart& part, const BlockArena& arena,
                                            uint32_t slot)
{
    if (part.slot != kNone)
        return At(arena, part.slot * SlotStride(pass.block));
    // The part's first block found no room: its first member is read again, and
    // has to be the very file it was. One that is not leaves the part to the next.
    while (part.first != kNone && !ReadAgain(pass, pass.set.members[part.first], slot)) {
        part.first = pass.next[part.first];
        --part.count;
    }
    return part.first == kNone ? nullptr : Slot(slot, pass.block);
}

bool ContentComparer::ReadAgain(Pass& pass, SetMember& member, uint32_t slot)
{
    if (!ReadBlock(pass, member, false, Slot(slot, pass.block)))
        return false;
    // A file kept open can have been written to between the two reads.
    return StillThere(member) || LeaveOut(m_job.changedFiles);
}

void ContentComparer::AddPart(const SetPart& part, bool hashed)
{
    m_parts.push_back(part);
    if (!hashed)
        return;
    if (m_parts.size() * 2 <= m_partTable.size()) {
        Insert(static_cast<uint32_t>(m_parts.size() - 1));
        return;
    }
    m_partTable.assign(m_partTable.size() * 2, kNone);
    for (uint32_t p = 0; p < m_parts.size(); ++p)
        Insert(p);
}

void ContentComparer::Insert(uint32_t part)
{
    const size_t mask = m_partTable.size() - 1;
    size_t at = m_parts[part].hash & mask;
    while (m_partTable[at] != kNone)
        at = (at + 1) & mask;
    m_partTable[at] = part;
}

// Each share's parts join the equal parts of the shares before it. Members of a
// later share have higher indices, so a part's members stay in ascending order.
PassResult ContentComparer::Join(SharedPass& shared)
{
    Pass pass = MakePass(shared.m_set, false, shared.m_next);
    // Both scratch slots now, so that reading into the second moves no block.
    Slot(pass.partSlots + 1, pass.block);
    std::vector<uint32_t> shareOf;  // per joined part: the share whose arena keeps its block
    m_parts.clear();
    m_partTable.assign(64, kNone);
    for (uint32_t s = 0; s < shared.m_shares.size(); ++s) {
        SharedPass::Share& share = shared.m_shares[s];
        for (SetPart& part : share.parts) {
            if (Stopped())
                return {};
            if (part.count == 0)
                continue;
            // Bytes are fetched only for a part whose hash another part has: a
            // part's first block may have to be read again for them.
            const std::byte* bytes = nullptr;
            bool fetched = false;
            uint32_t match = kNone;
            const size_t mask = m_partTable.size() - 1;
            for (size_t at = part.hash & mask; m_partTable[at] != kNone; at = (at + 1) & mask) {
                SetPart& joined = m_parts[m_partTable[at]];
                if (joined.hash != part.hash)
                    continue;
                if (!fetched) {
                    bytes = KeptBytes(pass, part, share.arena, pass.partSlots);
                    fetched = true;
                    if (!bytes)
                        break;
                }
                const std::byte* other =
                    KeptBytes(pass, joined, shared.m_shares[shareOf[m_partTable[at]]].arena, pass.partSlots + 1);
                if (other && EqualBytes(bytes, other, pass.block)) {
                    match = m_partTable[at];
                    break;
                }
            }
            if (fetched && !bytes)
                continue;
            if (match == kNone) {
                shareOf.push_back(s);
                AddPart(part, true);
                continue;
            }
            SetPart& joined = m_parts[match];
            pass.next[joined.last] = part.first;
            joined.last = part.last;
            joined.count += part.count;
        }
    }
    return Collect(pass, m_parts);
}

// Parts of two or more go on, each a set of its own, unless their last byte is
// compared; files alone in their part are closed here.
PassResult ContentComparer::Collect(Pass& pass, std::span<const SetPart> parts)
{
    const uint64_t offset = pass.set.offset + pass.block;
    size_t partsFound = 0, filesRead = 0;
    for (const SetPart& part : parts) {
        partsFound += part.count > 0;
        filesRead += part.count;
    }
    PassResult result;
    for (const SetPart& part : parts) {
        if (part.count < 2)
            continue;
        FileSet next;
        next.offset = offset;
        next.pass = pass.set.pass + 1;
        // Each part is expected to split as the whole did, in its proportion: the
        // 256 parts of 4 000 files leave parts of 16 that are likely to stay whole.
        next.partsFound = std::max<size_t>(1, (partsFound * part.count + filesRead / 2) / filesRead);
        next.members.reserve(part.count);
        for (uint32_t m = part.first; m != kNone; m = pass.next[m])
            next.members.push_back(std::move(pass.set.members[m]));
        if (offset < pass.size) {
            result.sets.push_back(std::move(next));
            continue;
        }
        FileClass equal = FinishedFiles(next.members);
        if (equal.size() >= 2)
            result.classes.push_back(std::move(equal));
    }
    return result;
}

// Reads the pass's block of a member; the member's first read opens it and checks
// its size.
bool ContentComparer::ReadBlock(Pass& pass, SetMember& member, bool firstRead, std::byte* buffer)
{
    std::unique_ptr<ReadableFile> reopened;
    ReadableFile* file = member.file.get();
    if (!file) {
        OpenResult opened = OpenMember(pass, member.index);
        if (!opened.file)
            return LeaveOut(m_job.unreadableFiles);
        const FileStamp& stamp = opened.file->Stamp();
        if (firstRead) {
            // The name led to another file than the one listed: under Wine, names
            // that differ only in bytes that are not UTF-8 all open one file.
            const uint64_t listed = m_files.IndexOf(member.index);
            if (listed != 0 && stamp.index != 0 && stamp.index != listed)
                return LeaveOut(m_job.unreadableFiles);
            // A file that grew or shrank since the walk would be shown with a size
            // it no longer has.
            if (stamp.size != pass.size)
                return LeaveOut(m_job.changedFiles);
            member.stamp = stamp;
        } else if (stamp != member.stamp) {
            // Another file renamed into its place, or this one written to, since its
            // first open: its blocks would not all come from one file.
            return LeaveOut(m_job.changedFiles);
        }
        file = opened.file.get();
        (pass.keepOpen ? member.file : reopened) = std::move(opened.file);
    }
    // The last block asks for one byte more, which a file that grew has.
    const bool last = pass.set.offset + pass.block == pass.size;
    std::optional<size_t> got = file->ReadAt(pass.set.offset, buffer, last ? pass.block + 1 : pass.block);
    if (!got)
        return LeaveOut(m_job.unreadableFiles);
    // Short: the file shrank; long: it grew.
    if (*got != pass.block)
        return LeaveOut(m_job.changedFiles);
    return true;
}

OpenResult ContentComparer::OpenMember(Pass& pass, uint32_t index)
{
    if (!pass.keepOpen)
        return Open(index);
    OpenResult opened = OpenOnce(index);
    if (!opened.outOfHandles)
        return opened;
    // The process is short of handles: this set lets go of its own and reopens
    // its files for each block, which needs one at a time.
    pass.set.CloseFiles();
    pass.keepOpen = false;
    return Open(index);
}

// Waits while the process has no handle left: handles come free as the other
// comparisons close their files, and a file is never dropped for want of one.
// Only a stop ends the wait.
OpenResult ContentComparer::Open(uint32_t index)
{
    constexpr std::chrono::milliseconds kLongestPause{50};
    std::chrono::milliseconds pause{1};
    for (;;) {
        OpenResult opened = OpenOnce(index);
        if (!opened.outOfHandles || Stopped())
            return opened;
        std::this_thread::sleep_for(pause);
        pause = std::min(pause * 2, kLongestPause);
    }
}

// By name inside its folder, held open once a second file in a row comes from
// it, which spares the system looking up the whole path again. The members of a
// set that parted from a larger one mostly lie one to a folder: holding each of
// their folders would cost more than it spares. A folder that cannot be held
// open, or a name not found in it (the folder renamed since it was opened), falls
// back to the path: the checks of the file opened are the same either way.
OpenResult ContentComparer::OpenOnce(uint32_t index)
{
    const uint32_t folder = m_files.FolderOf(index);
    const bool again = folder == m_lastFolder;
    m_lastFolder = folder;
    if (again && folder != m_heldFolder) {
        m_openFolder.reset();
        m_openFolder = m_fs.HoldFolder(m_files.FolderPath(folder));
        m_heldFolder = folder;
    }
    if (folder == m_heldFolder && m_openFolder) {
        OpenResult opened = m_fs.OpenInHeldFolder(*m_openFolder, std::string(m_files.NameOf(index)));
        if (opened.file || opened.outOfHandles)
            return opened;
    }
    return m_fs.OpenForReading(m_files.PathOf(index));
}

// A look at each path once all its bytes are read: a file replaced, rewritten or
// grown while the comparison held it open, or between two blocks, is no longer
// what was compared.
FileClass ContentComparer::FinishedFiles(const std::vector<SetMember>& members)
{
    FileClass unchanged;
    for (const SetMember& member : members) {
        if (StillThere(member))
            unchanged.push_back({member.index, member.stamp});
        else
            LeaveOut(m_job.changedFiles);
    }
    return unchanged;
}

// Whether a member's path still leads to the file read. An open file cannot
// answer for its path: under Wine another process can rename over a file
// whatever its sharing says.
bool ContentComparer::StillThere(const SetMember& member) const
{
    return m_fs.StillLeadsTo(m_files.PathOf(member.index), member.stamp);
}

// A stopped search reports nothing, so what it left out is not counted either.
bool ContentComparer::LeaveOut(std::atomic<uint32_t>& counter)
{
    if (!Stopped())
        ++counter;
    return false;
}

bool ContentComparer::RoomForAnotherPart(const Pass& pass) const
{
    return (pass.partSlots + 1 + kScratchSlots) * SlotStride(pass.block) <= kMostPartMemory;
}

// The arena takes in memory as slots are first used: a set that stays whole needs
// two. Its room is reserved at once, since moving it to grow would bring ever
// new pages into memory, each at the cost of a fault.
std::byte* ContentComparer::Slot(uint32_t slot, size_t block)
{
    const size_t stride = SlotStride(block);
    const size_t needed = (slot + size_t{1}) * stride / sizeof(CacheLine);
    if (m_arena.size() < needed) {
        m_arena.reserve(std::max(needed, kMostPartMemory / sizeof(CacheLine)));
        m_arena.resize(needed);
    }
    return At(m_arena, slot * stride);
}

}  // namespace twinsweep
