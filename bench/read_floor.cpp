// Measures how fast any duplicate search could be on a tree whose files sit in
// the page cache:  read_floor TREE
// The walk floor lists every folder and stats every entry on one thread. The
// read floor reads, once, the bytes that an exact comparison cannot skip: a file
// alone in its size has nothing to read, and any other file has to be read up
// to and including the byte at which it parts from the last file of its size
// (all of it when it has a copy).
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <functional>
#include <numeric>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr size_t kReadChunk = 1 << 20;
constexpr size_t kFirstCompareChunk = 4096;
constexpr int kRepeats = 3;

struct FileEntry {
    std::string path;
    uint64_t size;
};

struct Tree {
    std::vector<FileEntry> files;
    size_t folders = 0;
};

struct Prefix {
    const std::string* path;
    uint64_t length;
};

class FileDescriptor {
public:
    explicit FileDescriptor(const std::string& path) : m_fd(open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
        if (m_fd < 0)
            throw std::runtime_error("cannot open " + path + ": " + std::strerror(errno));
    }
    ~FileDescriptor() { close(m_fd); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

double SecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double BestSecondsOf(const std::function<void()>& work)
{
    double best = SecondsOf(work);
    for (int i = 1; i < kRepeats; ++i)
        best = std::min(best, SecondsOf(work));
    return best;
}

void WalkFolder(int parentFd, const char* name, const std::string& path, Tree& tree)
{
    const int fd = openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = fd < 0 ? nullptr : fdopendir(fd);
    if (!dir)
        throw std::runtime_error("cannot list " + path + ": " + std::strerror(errno));
    ++tree.folders;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        struct stat status;
        if (fstatat(dirfd(dir), entry->d_name, &status, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        std::string childPath = path + "/" + entry->d_name;
        if (S_ISDIR(status.st_mode))
            WalkFolder(dirfd(dir), entry->d_name, childPath, tree);
        else if (S_ISREG(status.st_mode))
            tree.files.push_back({std::move(childPath), static_cast<uint64_t>(status.st_size)});
    }
    closedir(dir);
}

Tree Walk(const std::string& root)
{
    Tree tree;
    WalkFolder(AT_FDCWD, root.c_str(), root, tree);
    return tree;
}

void ReadAt(const std::string& path, uint64_t offset, unsigned char* buffer, size_t count)
{
    const FileDescriptor file(path);
    size_t done = 0;
    while (done < count) {
        const ssize_t got = pread(file.get(), buffer + done, count - done, static_cast<off_t>(offset + done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw std::runtime_error("cannot read " + path);
        done += static_cast<size_t>(got);
    }
}

size_t MismatchOffset(const std::vector<unsigned char>& a, const std::vector<unsigned char>& b, size_t count)
{
    return static_cast<size_t>(std::mismatch(a.begin(), a.begin() + count, b.begin()).first - a.begin());
}

// Splits one class of files that agree up to offset by the next count bytes.
// A file left alone has its prefix settled: it reaches up to the byte where it
// parts from the member of the class that followed it longest, which in sorted
// order is one of its two neighbours.
void SplitClass(const std::vector<FileEntry>& files, const std::vector<size_t>& members, uint64_t offset,
                size_t count, std::vector<uint64_t>& needs, std::vector<std::vector<size_t>>& survivors)
{
    std::vector<std::vector<unsigned char>> chunks(members.size(), std::vector<unsigned char>(count));
    for (size_t i = 0; i < members.size(); ++i)
        ReadAt(files[members[i]].path, offset, chunks[i].data(), count);

    std::vector<size_t> order(members.size());
    std::iota(order.begin(), order.end(), 0);
    auto compare = [&](size_t a, size_t b) { return std::memcmp(chunks[a].data(), chunks[b].data(), count); };
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return compare(a, b) < 0; });

    for (size_t runStart = 0; runStart < order.size();) {
        size_t runEnd = runStart + 1;
        while (runEnd < order.size() && compare(order[runEnd], order[runStart]) == 0)
            ++runEnd;
        if (runEnd - runStart == 1) {
            const size_t alone = order[runStart];
            size_t furthest = 0;
            if (runStart > 0)
                furthest = MismatchOffset(chunks[alone], chunks[order[runStart - 1]], count);
            if (runEnd < order.size())
                furthest = std::max(furthest, MismatchOffset(chunks[alone], chunks[order[runEnd]], count));
            needs[members[alone]] = offset + furthest + 1;
        } else {
            std::vector<size_t>& survivor = survivors.emplace_back();
            for (size_t i = runStart; i < runEnd; ++i)
                survivor.push_back(members[order[i]]);
        }
        runStart = runEnd;
    }
}

// Compares a size bucket chunk by chunk, in growing chunks, since most files
// part at their first bytes.
void SettleBucket(const std::vector<FileEntry>& files, std::vector<size_t> bucket, uint64_t size,
                  std::vector<uint64_t>& needs)
{
    std::vector<std::vector<size_t>> classes{std::move(bucket)};
    size_t chunk = kFirstCompareChunk;
    for (uint64_t offset = 0; offset < size && !classes.empty(); offset += chunk, chunk = std::min(chunk * 2, kReadChunk)) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(chunk, size - offset));
        std::vector<std::vector<size_t>> survivors;
        for (const std::vector<size_t>& members : classes)
            SplitClass(files, members, offset, count, needs, survivors);
        classes = std::move(survivors);
    }
    for (const std::vector<size_t>& copies : classes)
        for (size_t file : copies)
            needs[file] = size;
}

std::vector<Prefix> NeededPrefixes(const std::vector<FileEntry>& files)
{
    std::vector<size_t> bySize(files.size());
    std::iota(bySize.begin(), bySize.end(), 0);
    std::sort(bySize.begin(), bySize.end(), [&](size_t a, size_t b) { return files[a].size < files[b].size; });

    std::vector<uint64_t> needs(files.size(), 0);
    for (size_t start = 0; start < bySize.size();) {
        const uint64_t size = files[bySize[start]].size;
        size_t end = start + 1;
        while (end < bySize.size() && files[bySize[end]].size == size)
            ++end;
        if (size > 0 && end - start > 1)
            SettleBucket(files, std::vector<size_t>(bySize.begin() + start, bySize.begin() + end), size, needs);
        start = end;
    }

    std::vector<Prefix> prefixes;
    for (size_t i = 0; i < files.size(); ++i)
        if (needs[i] > 0)
            prefixes.push_back({&files[i].path, needs[i]});
    return prefixes;
}

void ReadPrefix(const Prefix& prefix, std::vector<unsigned char>& buffer)
{
    const FileDescriptor file(*prefix.path);
    for (uint64_t left = prefix.length; left > 0;) {
        const ssize_t got = read(file.get(), buffer.data(), static_cast<size_t>(std::min<uint64_t>(left, buffer.size())));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw std::runtime_error("cannot read " + *prefix.path);
        left -= static_cast<uint64_t>(got);
    }
}

// The threads take the next file from a shared counter, so a long file on one
// thread does not leave the other idle.
void ReadPrefixes(const std::vector<Prefix>& prefixes, unsigned threadCount)
{
    std::atomic<size_t> next = 0;
    auto readSome = [&] {
        std::vector<unsigned char> buffer(kReadChunk);
        for (size_t i = next++; i < prefixes.size(); i = next++)
            ReadPrefix(prefixes[i], buffer);
    };
    std::vector<std::jthread> threads;
    for (unsigned i = 1; i < threadCount; ++i)
        threads.emplace_back(readSome);
    readSome();
}

uint64_t TotalLength(const std::vector<Prefix>& prefixes)
{
    uint64_t total = 0;
    for (const Prefix& prefix : prefixes)
        total += prefix.length;
    return total;
}

uint64_t TotalSize(const std::vector<FileEntry>& files)
{
    uint64_t total = 0;
    for (const FileEntry& file : files)
        total += file.size;
    return total;
}

void Report(const std::string& root)
{
    Tree tree;
    const double walkSeconds = BestSecondsOf([&] { tree = Walk(root); });
    std::printf("Tree: %s\n", root.c_str());
    std::printf("Files: %zu in %zu folders, %llu bytes\n", tree.files.size(), tree.folders,
                static_cast<unsigned long long>(TotalSize(tree.files)));
    std::printf("Walk floor: %.3f s (readdir + fstatat, 1 thread, best of %d)\n", walkSeconds, kRepeats);

    const std::vector<Prefix> prefixes = NeededPrefixes(tree.files);
    std::printf("Read floor bytes: %llu in %zu files\n", static_cast<unsigned long long>(TotalLength(prefixes)),
                prefixes.size());
    const double oneThread = BestSecondsOf([&] { ReadPrefixes(prefixes, 1); });
    std::printf("Read floor, 1 thread: %.3f s (best of %d)\n", oneThread, kRepeats);
    const double twoThreads = BestSecondsOf([&] { ReadPrefixes(prefixes, 2); });
    std::printf("Read floor, 2 threads: %.3f s (best of %d)\n", twoThreads, kRepeats);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: read_floor TREE\n");
        return 2;
    }
    try {
        Report(argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "read_floor: %s\n", error.what());
        return 1;
    }
    return 0;
}
