// The file-system seam of the search engine: list a folder by mask, open a file
// and read it. Paths and names are UTF-8 on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace twinsweep {

// Names one file or folder on its volume. Two paths with the same identity reach
// the same object: through a hard link, a symbolic link or a junction.
struct FileIdentity {
    uint64_t volume = 0;
    uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
};

struct FileIdentityHash {
    size_t operator()(const FileIdentity& id) const noexcept
    {
        return static_cast<size_t>(id.index * 0x9E3779B97F4A7C15ull ^ id.volume);
    }
};

// A file as one open or one look at its path finds it. Two equal stamps of one
// path mean one and the same file, unchanged in between, as far as the system
// tells: a file put in its place by a rename has another index, a write moves the
// last-write time, and a program that puts the last-write time back, or a new
// file that gets the number of a deleted one, still moves the change time, which
// no program sets back.
struct FileStamp {
    uint64_t index = 0;  // the file's number on its volume; 0 where the system keeps none
    uint64_t size = 0;
    int64_t lastWrite = 0;  // in the platform's own units
    int64_t change = 0;     // of contents or attributes, in the same units
    bool operator==(const FileStamp&) const = default;
};

// One entry as a listing describes it; its name lives in the listing's buffer.
struct FolderEntry {
    std::string_view name;
    bool isFolder = false;
    uint64_t size = 0;
    // A symbolic link or junction: what it leads to may be walked elsewhere too.
    bool isLink = false;
    // Known where the listing gives it for free; the walk then collects a file
    // reached by two paths only once. A listing that knows the file's number but
    // not its volume gives the number alone: the volume is the folder's.
    std::optional<FileIdentity> identity;
    uint64_t index = 0;
    // Its name does not lead to it (it leads to another entry, or to none): such an
    // entry is counted as unreadable, never walked or compared.
    bool unopenable = false;
    // How many paths lead to the file. One: it has no other name (no hard link)
    // and no mount of its own, so only its folder, reached twice, lists it twice.
    // Several: it has hard links. Unknown where the listing cannot tell, and for
    // every link, which may lead to a file listed elsewhere under its one name.
    enum class Paths : uint8_t { Unknown, One, Several };
    Paths paths = Paths::Unknown;

    // The file's number on its volume, 0 when the listing does not know it.
    uint64_t Index() const { return identity ? identity->index : index; }
};

// The entries of one folder, packed: the names side by side in one buffer and
// the rest in 32 bytes an entry, so that a folder of a million entries costs
// little more than its names.
class FolderEntries {
public:
    class Iterator {
    public:
        Iterator(const FolderEntries& entries, size_t at) : m_entries(&entries), m_at(at) {}
        FolderEntry operator*() const { return (*m_entries)[m_at]; }
        Iterator& operator++()
        {
            ++m_at;
            return *this;
        }
        bool operator==(const Iterator& other) const { return m_at == other.m_at; }

    private:
        const FolderEntries* m_entries;
        size_t m_at;
    };

    void Add(const FolderEntry& entry);
    void Append(const FolderEntries& more);
    void Reserve(size_t count, size_t nameBytes);
    void MarkUnopenable(size_t at) { m_packed[at].flags |= kUnopenable; }
    // Keeps the entries keep says yes to, in their order.
    template <class Keep>
    void KeepIf(Keep keep);
    void Clear();

    size_t Size() const { return m_packed.size(); }
    bool Empty() const { return m_packed.empty(); }
    FolderEntry operator[](size_t at) const;
    Iterator begin() const { return {*this, 0}; }
    Iterator end() const { return {*this, Size()}; }

private:
    enum Flags : uint8_t { kFolder = 1, kLink = 2, kIdentity = 4, kUnopenable = 8, kOnePath = 16, kSeveralPaths = 32 };
    struct Packed {
        uint64_t size;
        uint64_t index;
        uint64_t volume;
        uint32_t nameEnd;  // the name starts where the one before ends
        uint8_t flags;
    };
    uint32_t NameStart(size_t at) const { return at == 0 ? 0 : m_packed[at - 1].nameEnd; }

    std::string m_names;
    std::vector<Packed> m_packed;
};

inline void FolderEntries::Add(const FolderEntry& entry)
{
    m_names.append(entry.name);
    const auto flags = static_cast<uint8_t>((entry.isFolder ? kFolder : 0) | (entry.isLink ? kLink : 0) |
                                            (entry.identity ? kIdentity : 0) | (entry.unopenable ? kUnopenable : 0) |
                                            (entry.paths == FolderEntry::Paths::One ? kOnePath : 0) |
                                            (entry.paths == FolderEntry::Paths::Several ? kSeveralPaths : 0));
    m_packed.push_back({entry.size, entry.Index(), entry.identity ? entry.identity->volume : 0,
                        static_cast<uint32_t>(m_names.size()), flags});
}

inline void FolderEntries::Append(const FolderEntries& more)
{
    const auto shift = static_cast<uint32_t>(m_names.size());
    m_names.append(more.m_names);
    for (Packed packed : more.m_packed) {
        packed.nameEnd += shift;
        m_packed.push_back(packed);
    }
}

inline void FolderEntries::Reserve(size_t count, size_t nameBytes)
{
    m_packed.reserve(m_packed.size() + count);
    m_names.reserve(m_names.size() + nameBytes);
}

inline FolderEntry FolderEntries::operator[](size_t at) const
{
    const Packed& packed = m_packed[at];
    const uint32_t start = NameStart(at);
    FolderEntry entry;
    entry.name = std::string_view(m_names).substr(start, packed.nameEnd - start);
    entry.isFolder = (packed.flags & kFolder) != 0;
    entry.size = packed.size;
    entry.isLink = (packed.flags & kLink) != 0;
    if (packed.flags & kIdentity)
        entry.identity = FileIdentity{packed.volume, packed.index};
    else
        entry.index = packed.index;
    entry.unopenable = (packed.flags & kUnopenable) != 0;
    if (packed.flags & kOnePath)
        entry.paths = FolderEntry::Paths::One;
    else if (packed.flags & kSeveralPaths)
        entry.paths = FolderEntry::Paths::Several;
    return entry;
}

template <class Keep>
void FolderEntries::KeepIf(Keep keep)
{
    size_t kept = 0;
    uint32_t namesKept = 0;
    for (size_t at = 0; at < m_packed.size(); ++at) {
        const FolderEntry entry = (*this)[at];
        if (!keep(entry))
            continue;
        const uint32_t start = NameStart(at), length = m_packed[at].nameEnd - start;
        // Names only move towards the front, over names already let go.
        if (namesKept != start)
            std::char_traits<char>::move(m_names.data() + namesKept, m_names.data() + start, length);
        namesKept += length;
        m_packed[kept] = m_packed[at];
        m_packed[kept].nameEnd = namesKept;
        ++kept;
    }
    m_packed.resize(kept);
    m_names.resize(namesKept);
}

inline void FolderEntries::Clear()
{
    m_packed.clear();
    m_names.clear();
}

// The masks that match every name, whatever the name.
inline bool MatchesEveryName(std::string_view mask)
{
    return mask == "*" || mask == "*.*";
}

// One folder, opened for listing. Entries come in the platform's order.
class FolderListing {
public:
    virtual ~FolderListing() = default;
    // Appends the entries whose names match the mask ('*' and '?', case-insensitive,
    // "*.*" matches every name). "." and ".." are never listed.
    virtual void Find(const std::string& mask, FolderEntries& entries) = 0;
    // The identity of the folder itself.
    virtual std::optional<FileIdentity> Identity() const = 0;
};

class FileSystem;

class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    // The file as it was opened; its size may differ from what the folder listing said.
    virtual const FileStamp& Stamp() const = 0;
    // Reads up to count bytes at offset. Returns the number read (0 at the end),
    // or nothing when the read fails. One thread at a time: reading on from where
    // the last read ended is the cheap case.
    virtual std::optional<size_t> ReadAt(uint64_t offset, void* buffer, size_t count) = 0;
};

// A folder held open so that its files are opened by name inside it, not by
// their whole paths again. This one holds only the folder's path, which ends
// with a separator; a platform that can keep a folder open keeps it here.
class HeldFolder {
public:
    explicit HeldFolder(std::string path) : m_path(std::move(path)) {}
    virtual ~HeldFolder() = default;
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

// A file opened, or why not: "no handle left" passes once other files are closed,
// any other failure (gone, no access, not a file) does not.
struct OpenResult {
    std::unique_ptr<ReadableFile> file;
    bool outOfHandles = false;
    explicit operator bool() const { return file != nullptr; }
};

class FileSystem {
public:
    virtual ~FileSystem() = default;
    virtual char Separator() const = 0;
    // The absolute form of a path, with no trailing separator unless it is a root.
    virtual std::string FullPath(const std::string& path) const = 0;
    // A file or folder is there (it may still not be readable).
    virtual bool Exists(const std::string& path) const = 0;
    // A folder that exists and can be listed.
    virtual bool IsFolder(const std::string& path) const = 0;
    // The key under which two paths name the same place: folded case where the
    // platform ignores case.
    virtual std::string PathCaseKey(const std::string& path) const = 0;
    // The target of a shell shortcut file, or an empty string.
    virtual std::string ResolveShortcut(const std::string& path) const = 0;
    // Nothing when the folder cannot be entered.
    virtual std::unique_ptr<FolderListing> OpenFolder(const std::string& path) const = 0;
    // A subfolder of a folder open for listing, reached from that folder rather
    // than from the top of the path again: the walk then costs the same per
    // folder at any depth. path is the parent's path joined to the subfolder's
    // listed name. Thread-safe, also for one parent.
    virtual std::unique_ptr<FolderListing> OpenSubfolder(const FolderListing& parent,
                                                         const std::string& path) const = 0;
    // The identity of the folder a path leads to, links followed.
    virtual std::optional<FileIdentity> FolderIdentity(const std::string& path) const = 0;
    // Opens for reading only, sharing read and write with other processes.
    // Thread-safe.
    virtual OpenResult OpenForReading(const std::string& path) const = 0;
    // A folder whose files are opened next, path ending with a separator; nothing
    // when it cannot be held open. Thread-safe.
    virtual std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) const
    {
        return std::make_unique<HeldFolder>(path);
    }
    // Opens a file of that folder by its name, as OpenForReading opens its path.
    // Thread-safe, also for one folder.
    virtual OpenResult OpenInHeldFolder(const HeldFolder& folder, const std::string& name) const
    {
        return OpenForReading(folder.Path() + name);
    }
    // The file a path leads to now, links followed; nothing when it is no file.
    // Thread-safe.
    virtual std::optional<FileStamp> StateOf(const std::string& path) const = 0;
    // The same, for a file the walk listed with that number (0 where the listing
    // gave none): a system that can look a path up without opening it takes the
    // number from the listing. A file put in its place since is then stamped
    // with a number not its own, which no later look at the path matches.
    virtual std::optional<FileStamp> StateOfListed(const std::string& path, uint64_t /*listedIndex*/) const
    {
        return StateOf(path);
    }
    // Whether a path still leads, unchanged, to the file a stamp was taken of:
    // the same size and times, and the same number wherever the lookup tells it
    // cheaply. Deleting asks StateOf, which always checks the number. Thread-safe.
    bool StillLeadsTo(const std::string& path, const FileStamp& stamp) const
    {
        std::optional<FileStamp> now = StateOfListed(path, stamp.index);
        return now && *now == stamp;
    }
    // How many files the comparison may keep open at once, all its threads
    // together.
    virtual size_t OpenFileBudget() const = 0;
    // How many threads the walk lists folders on, and the comparison reads files
    // on by default.
    virtual size_t ReadingThreads() const = 0;
    // Gives the memory freed so far back to the system where the heap keeps it:
    // once after the walk, whose listings are gone by then.
    virtual void ReturnFreedMemory() const {}
};

// The file system of the platform the program runs on.
const FileSystem& PlatformFileSystem();

}  // namespace twinsweep
