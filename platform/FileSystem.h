// The file-system seam of the search engine: list a folder by mask, open a file
// and read it. Paths and names are UTF-8 on every platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
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

struct FolderEntry {
    std::string name;
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

    // The file's number on its volume, 0 when the listing does not know it.
    uint64_t Index() const { return identity ? identity->index : index; }
};

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
    virtual void Find(const std::string& mask, std::vector<FolderEntry>& entries) = 0;
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
    // The file a path leads to now, links followed; nothing when it is no file.
    // Thread-safe.
    virtual std::optional<FileStamp> StateOf(const std::string& path) const = 0;
    // How many files the comparison may keep open at once, all its threads
    // together.
    virtual size_t OpenFileBudget() const = 0;
    // How many threads the walk lists folders on, and the comparison reads files
    // on by default.
    virtual size_t ReadingThreads() const = 0;
};

// The file system of the platform the program runs on.
const FileSystem& PlatformFileSystem();

}  // namespace twinsweep
