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
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/BestOf.h"
#include "bench/NeededLengths.h"

namespace {

constexpr size_t kReadChunk = 1 << 20;

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

std::vector<Prefix> NeededPrefixes(const std::vector<FileEntry>& files)
{
    std::vector<uint64_t> sizes;
    for (const FileEntry& file : files)
        sizes.push_back(file.size);
    const std::vector<uint64_t> needs = bench::NeededLengths(
        sizes, [&](size_t file, uint64_t offset, char* buffer, size_t count) {
            ReadAt(files[file].path, offset, reinterpret_cast<unsigned char*>(buffer), count);
        });
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
    const double walkSeconds = bench::BestSecondsOf([&] { tree = Walk(root); });
    std::printf("Tree: %s\n", root.c_str());
    std::printf("Files: %zu in %zu folders, %llu bytes\n", tree.files.size(), tree.folders,
                static_cast<unsigned long long>(TotalSize(tree.files)));
    std::printf("Walk floor: %.3f s (readdir + fstatat, 1 thread, best of %d)\n", walkSeconds, bench::kRepeats);

    const std::vector<Prefix> prefixes = NeededPrefixes(tree.files);
    std::printf("Read floor bytes: %llu in %zu files\n", static_cast<unsigned long long>(TotalLength(prefixes)),
                prefixes.size());
    const double oneThread = bench::BestSecondsOf([&] { ReadPrefixes(prefixes, 1); });
    std::printf("Read floor, 1 thread: %.3f s (best of %d)\n", oneThread, bench::kRepeats);
    const double twoThreads = bench::BestSecondsOf([&] { ReadPrefixes(prefixes, 2); });
    std::printf("Read floor, 2 threads: %.3f s (best of %d)\n", twoThreads, bench::kRepeats);
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
