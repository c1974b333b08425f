// The file-system seam on POSIX, with the listing rules of Windows: masks match
// without regard to case and a folder lists in NTFS order.
#include <dirent.h>
#include <malloc.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <system_error>
#include <thread>

#include "platform/FileSystem.h"
#include "platform/posix/PosixPaths.h"
#include "platform/posix/WildcardMatch.h"

namespace twinsweep {
namespace {

FileIdentity IdentityOf(const struct stat& st)
{
    return {static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

int64_t Nanoseconds(const struct timespec& time)
{
    return static_cast<int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStamp StampOf(const struct stat& st)
{
    return {static_cast<uint64_t>(st.st_ino), static_cast<uint64_t>(st.st_size), Nanoseconds(st.st_mtim),
            Nanoseconds(st.st_ctim)};
}

// The cores to read and describe on, at most four. Asked once: the C library
// reads the count from /sys each time, which a walk would pay for every folder.
size_t ReadingCores()
{
    static const size_t cores = std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4);
    return cores;
}

// The comparison keeps many files open at once, and the usual soft limit of 1 024
// is far below what the system lets a process have.
void RaiseOpenFileLimit()
{
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur >= limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    // Some systems refuse an unlimited hard limit as the soft one: then the soft
    // limit stays, and the budget keeps under it.
    setrlimit(RLIMIT_NOFILE, &limit);
}

// A folder's listing and a catalogue's arrays grow by large blocks and go soon.
// Mapped on their own they go back to the system when freed; glibc otherwise
// raises its threshold to the largest block freed so far and carves later ones
// out of the heap, which keeps every page it once held.
void MapLargeBlocks()
{
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 64 << 10);
#endif
}

class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int get() const { return m_fd; }
    int release()
    {
        int fd = m_fd;
        m_fd = -1;
        return fd;
    }
    void reset(int fd)
    {
        if (m_fd >= 0)
            close(m_fd);
        m_fd = fd;
    }

private:
    int m_fd;
};

// The system takes paths of up to PATH_MAX bytes: a longer one is followed a
// piece at a time, each piece looked up in the folder the one before it opened.
// Returns the folder that holds the rest of the path, set in rest: AT_FDCWD and
// the whole path when it is short, -1 when a piece cannot be opened.
int FolderOfLongPath(const std::string& path, std::string& rest)
{
    rest = path;
    UniqueFd folder(AT_FDCWD);
    while (rest.size() >= PATH_MAX) {
        const size_t cut = rest.rfind('/', PATH_MAX - 1);
        if (cut == std::string::npos || cut == 0) {
            errno = ENAMETOOLONG;
            return -1;
        }
        UniqueFd next(openat(folder.get(), rest.substr(0, cut).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (next.get() < 0)
            return -1;
        folder.reset(next.release());
        rest.erase(0, cut + 1);
    }
    return folder.release();
}

// The folder stays open after its names are read: they are described, and its
// subfolders opened, relative to it.
class PosixFolderListing : public FolderListing {
public:
    explicit PosixFolderListing(int fd) : m_fd(fd) {}

    // False when the folder cannot be read. The names are read straight off the
    // folder's own descriptor: a directory stream would take a second one, and
    // look at the folder and set its flags first, which a walk of many small
    // folders pays for in each.
    bool ReadEntries()
    {
        alignas(struct dirent64) char buffer[32 << 10];
        for (;;) {
            const ssize_t got = getdents64(m_fd.get(), buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                return false;
            if (got == 0)
                break;
            for (ssize_t at = 0; at < got;) {
                const auto* entry = reinterpret_cast<const struct dirent64*>(buffer + at);
                at += entry->d_reclen;
                std::string_view name = entry->d_name;
                if (name == "." || name == "..")
                    continue;
                m_entries.push_back({static_cast<uint32_t>(m_names.size()), static_cast<uint16_t>(name.size()),
                                     entry->d_type});
                m_names.append(name);
                m_names.push_back('\0');
            }
        }
        SortEntries();
        m_names.shrink_to_fit();
        return true;
    }

    // By a number made of each name's first bytes, the names themselves compared
    // only where those are alike: a folder of a thousand files is sorted without
    // ten thousand calls comparing names.
    void SortEntries()
    {
        std::vector<std::pair<uint64_t, uint32_t>> keyed;
        keyed.reserve(m_entries.size());
        for (size_t at = 0; at < m_entries.size(); ++at)
            keyed.emplace_back(ListingKey(NameOf(m_entries[at])), static_cast<uint32_t>(at));
        std::sort(keyed.begin(), keyed.end(), [this](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            return ListsBefore(NameOf(m_entries[a.second]), NameOf(m_entries[b.second]));
        });
        std::vector<Entry> sorted;
        sorted.reserve(keyed.size());
        for (const auto& [key, at] : keyed)
            sorted.push_back(m_entries[at]);
        m_entries.swap(sorted);
    }

    int Fd() const { return m_fd.get(); }

    // The entries are described a batch at a time, a large batch on several
    // threads: in a folder of a hundred thousand files the look at each is most
    // of the walk, and no other folder is there to list meanwhile.
    void Find(const std::string& mask, FolderEntries& entries) override
    {
        if (MatchesEveryName(mask))
            entries.Reserve(m_entries.size(), m_names.size() - m_entries.size());
        constexpr size_t kBatch = 8192;
        std::vector<const Entry*> matched;
        std::vector<Described> described;
        for (size_t begin = 0; begin < m_entries.size(); begin += kBatch) {
            matched.clear();
            for (size_t at = begin; at < std::min(begin + kBatch, m_entries.size()); ++at) {
                if (MatchesMask(mask, NameOf(m_entries[at])))
                    matched.push_back(&m_entries[at]);
            }
            described.resize(matched.size());
            DescribeAll(matched, described);
            for (size_t at = 0; at < matched.size(); ++at)
                Add(*matched[at], described[at], entries);
        }
    }

    std::optional<FileIdentity> Identity() const override { return m_identity; }

    // False when the folder cannot be looked into. The look at the folder itself
    // tells its identity and the mount it lies on.
    bool DescribeSelf()
    {
        struct statx sx;
        if (statx(m_fd.get(), ".", 0, STATX_INO | STATX_MNT_ID, &sx) != 0 || !(sx.stx_mask & STATX_INO))
            return false;
        m_identity = FileIdentity{makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_ino};
        if (sx.stx_mask & STATX_MNT_ID)
            m_mount = sx.stx_mnt_id;
        return true;
    }

private:
    // Names only, side by side, each ended by a zero for the system calls: a
    // folder of many entries is listed at the size of its names, and each is
    // described when a mask asks for it.
    struct Entry {
        uint32_t nameStart;
        uint16_t nameLength;
        unsigned char type;
    };

    std::string_view NameOf(const Entry& entry) const
    {
        return std::string_view(m_names).substr(entry.nameStart, entry.nameLength);
    }

    struct Described {
        enum Kind : uint8_t { None, File, Folder };
        Kind kind = None;
        uint64_t size = 0;
        std::optional<FileIdentity> identity;  // none for a folder known by its listed type
        FolderEntry::Paths paths = FolderEntry::Paths::Unknown;
    };

    // Splits the entries among the cores when there are enough to pay for a
    // thread; without a thread to be had, this one describes them all.
    void DescribeAll(const std::vector<const Entry*>& matched, std::vector<Described>& described) const
    {
        constexpr size_t kWorthAThread = 2048;
        const size_t threads =
            std::min<size_t>(ReadingCores(), std::max<size_t>(1, matched.size() / kWorthAThread));
        auto describeShare = [&](size_t share) {
            for (size_t at = matched.size() * share / threads; at < matched.size() * (share + 1) / threads; ++at)
                described[at] = Describe(*matched[at]);
        };
        std::vector<std::thread> helpers;
        size_t share = 1;
        try {
            for (; share < threads; ++share)
                helpers.emplace_back(describeShare, share);
        } catch (const std::system_error&) {
        }
        describeShare(0);
        for (; share < threads; ++share)
            describeShare(share);
        for (std::thread& helper : helpers)
            helper.join();
    }

    // A folder's listed type says all the walk needs of it. Links are followed,
    // so a link to a file counts as that file and a link to a folder as that
    // folder; a dangling link, a pipe or a device is neither. Only the type and
    // size are asked for; the file's number and volume come with them, and its
    // count of links and its mount cost nothing more.
    Described Describe(const Entry& entry) const
    {
        if (entry.type == DT_DIR)
            return {Described::Folder, 0, std::nullopt};
        constexpr unsigned kAsked = STATX_TYPE | STATX_SIZE | STATX_INO;
        struct statx sx;
        if (statx(m_fd.get(), NameOf(entry).data(), 0, kAsked | STATX_NLINK | STATX_MNT_ID, &sx) != 0 ||
            (sx.stx_mask & kAsked) != kAsked || !(S_ISDIR(sx.stx_mode) || S_ISREG(sx.stx_mode)))
            return {};
        const FileIdentity identity{makedev(sx.stx_dev_major, sx.stx_dev_minor), sx.stx_ino};
        if (S_ISDIR(sx.stx_mode))
            return {Described::Folder, 0, identity};
        return {Described::File, sx.stx_size, identity, PathsTo(sx)};
    }

    // A file mounted over a name of the folder is another path to it, as a link is.
    FolderEntry::Paths PathsTo(const struct statx& file) const
    {
        if (!(file.stx_mask & STATX_NLINK))
            return FolderEntry::Paths::Unknown;
        if (file.stx_nlink > 1)
            return FolderEntry::Paths::Several;
        const bool onFolderMount = m_mount && (file.stx_mask & STATX_MNT_ID) && file.stx_mnt_id == *m_mount;
        return onFolderMount ? FolderEntry::Paths::One : FolderEntry::Paths::Unknown;
    }

    void Add(const Entry& entry, const Described& described, FolderEntries& entries) const
    {
        const std::string_view name = NameOf(entry);
        if (described.kind == Described::None)
            return;
        FolderEntry added{name, described.kind == Described::Folder, described.size, IsLink(name, entry.type),
                          described.identity};
        added.paths = added.isLink ? FolderEntry::Paths::Unknown : described.paths;
        entries.Add(added);
    }

    bool IsLink(std::string_view name, unsigned char type) const
    {
        if (type != DT_UNKNOWN)
            return type == DT_LNK;
        struct stat own;
        return fstatat(m_fd.get(), name.data(), &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
    }

    UniqueFd m_fd;
    std::string m_names;
    std::vector<Entry> m_entries;
    std::optional<FileIdentity> m_identity;
    std::optional<uint64_t> m_mount;
};

// Links to folders are followed, as for any path. A folder that lets its names
// be read but not looked up (no search permission) hides what they are: it
// counts as a folder that cannot be entered, not as an empty one.
std::unique_ptr<FolderListing> ListFolderAt(int parentFd, const char* path)
{
    auto listing = std::make_unique<PosixFolderListing>(openat(parentFd, path, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (listing->Fd() < 0 || !listing->ReadEntries() || !listing->DescribeSelf())
        return nullptr;
    return listing;
}

class PosixFile : public ReadableFile {
public:
    PosixFile(int fd, const struct stat& st) : m_fd(fd), m_stamp(StampOf(st)) {}
    ~PosixFile() override { close(m_fd); }
    PosixFile(const PosixFile&) = delete;
    PosixFile& operator=(const PosixFile&) = delete;

    const FileStamp& Stamp() const override { return m_stamp; }

    std::optional<size_t> ReadAt(uint64_t offset, void* buffer, size_t count) override
    {
        size_t done = 0;
        while (done < count) {
            ssize_t got = pread(m_fd, static_cast<char*>(buffer) + done, count - done,
                                static_cast<off_t>(offset + done));
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return std::nullopt;
            }
            if (got == 0)
                break;
            done += static_cast<size_t>(got);
            // A short read that ends where the open found the end is the end: a
            // file grown since has another stamp, which the comparison's last look
            // at the path sees.
            if (done < count && offset + done == m_stamp.size)
                break;
        }
        return done;
    }

private:
    int m_fd;
    FileStamp m_stamp;
};

// Opened only as a place to look names up in: no read access to the folder is
// needed, nor asked for.
class PosixHeldFolder : public HeldFolder {
public:
    PosixHeldFolder(std::string path, int fd) : HeldFolder(std::move(path)), m_fd(fd) {}
    int Fd() const { return m_fd.get(); }

private:
    UniqueFd m_fd;
};

constexpr int kFileOpenFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY;

// Non-blocking, so that a pipe put in place of a file cannot hang the open;
// reads of a regular file block all the same.
OpenResult OpenFileAt(int folder, const char* name)
{
    UniqueFd fd(openat(folder, name, kFileOpenFlags));
    if (fd.get() < 0)
        return {nullptr, errno == EMFILE || errno == ENFILE};
    struct stat st;
    if (fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    auto file = std::make_unique<PosixFile>(fd.get(), st);
    fd.release();
    return {std::move(file)};
}

class PosixFileSystem : public FileSystem {
public:
    PosixFileSystem()
    {
        RaiseOpenFileLimit();
        MapLargeBlocks();
    }

    char Separator() const override { return '/'; }

    std::string FullPath(const std::string& path) const override { return PosixFullPath(path); }

    bool Exists(const std::string& path) const override
    {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }

    bool IsFolder(const std::string& path) const override
    {
        DIR* dir = opendir(path.c_str());
        if (!dir)
            return false;
        closedir(dir);
        return true;
    }

    std::string PathCaseKey(const std::string& path) const override { return path; }

    std::string ResolveShortcut(const std::string&) const override { return {}; }

    std::unique_ptr<FolderListing> OpenFolder(const std::string& path) const override
    {
        return ListFolderAt(AT_FDCWD, path.c_str());
    }

    // parent is a listing of this file system.
    std::unique_ptr<FolderListing> OpenSubfolder(const FolderListing& parent, const std::string& path) const override
    {
        const std::string name = path.substr(path.rfind('/') + 1);
        return ListFolderAt(static_cast<const PosixFolderListing&>(parent).Fd(), name.c_str());
    }

    std::optional<FileIdentity> FolderIdentity(const std::string& path) const override
    {
        struct stat st;
        if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
            return std::nullopt;
        return IdentityOf(st);
    }

    OpenResult OpenForReading(const std::string& path) const override
    {
        std::string name;
        UniqueFd folder(FolderOfLongPath(path, name));
        if (folder.get() == -1)
            return {nullptr, errno == EMFILE || errno == ENFILE};
        return OpenFileAt(folder.get(), name.c_str());
    }

    std::unique_ptr<HeldFolder> HoldFolder(const std::string& path) const override
    {
        std::string rest;
        UniqueFd top(FolderOfLongPath(path, rest));
        if (top.get() == -1)
            return nullptr;
        const int fd = openat(top.get(), rest.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return nullptr;
        return std::make_unique<PosixHeldFolder>(path, fd);
    }

    // folder is a folder of this file system. The sanitizer's first check of the
    // cast takes a descriptor, which a process out of them has not got.
    __attribute__((no_sanitize("vptr"))) OpenResult OpenInHeldFolder(const HeldFolder& folder,
                                                                     const std::string& name) const override
    {
        return OpenFileAt(static_cast<const PosixHeldFolder&>(folder).Fd(), name.c_str());
    }

    std::optional<FileStamp> StateOf(const std::string& path) const override
    {
        std::string name;
        UniqueFd folder(FolderOfLongPath(path, name));
        struct stat st;
        if (folder.get() == -1 || fstatat(folder.get(), name.c_str(), &st, 0) != 0 || !S_ISREG(st.st_mode))
            return std::nullopt;
        return StampOf(st);
    }

    // Half the process's limit: the other half stays for the folder listings, the
    // program's own files and whatever the libraries open.
    size_t OpenFileBudget() const override
    {
        constexpr size_t kMostFiles = 1024;
        struct rlimit limit;
        if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY)
            return kMostFiles;
        return std::clamp<size_t>(static_cast<size_t>(limit.rlim_cur) / 2, 1, kMostFiles);
    }

    // Opening a cached file or listing a folder costs little next to comparing
    // and collecting: one thread a core.
    size_t ReadingThreads() const override { return ReadingCores(); }

    // The helpers' heaps keep what their listings held.
    void ReturnFreedMemory() const override
    {
#ifdef __GLIBC__
        malloc_trim(0);
#endif
    }
};

}  // namespace

const FileSystem& PlatformFileSystem()
{
    static const PosixFileSystem fileSystem;
    return fileSystem;
}

}  // namespace twinsweep
