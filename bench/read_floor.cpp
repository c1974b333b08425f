// How fast any duplicate search could be on a tree:
//   read_floor --plan TREE PLAN               works out what a comparison reads
//   read_floor --pass TREE PLAN [--threads N] [--compare]
//                                             one timed walk and read, as a search
//   read_floor --call-cost                    what one system call costs here
// The walk lists every folder and stats every entry on one thread. The read pass
// reads, once, the bytes that an exact comparison cannot skip: a file alone in
// its size has nothing to read, and any other file has to be read up to and
// including the byte at which it parts from the last file of its size (all of it
// when it has a copy). Which bytes those are is planned by another process, so a
// pass never follows a pass of its own over the same bytes; the bench scripts
// time the pass's process from outside, as they time the searches, less the
// time it took to load the plan (printed). --compare also compares every byte
// read once with a byte read before it, all of them, as confirming equal files
// does: the least that an exact comparison adds to reading. --call-cost times a
// system call that does no work, the price of each call a search makes beyond a
// floor's: in a virtual machine it can be ten times what it is on the bare one.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/Plan.h"

namespace {

constexpr size_t kReadChunk = 1 << 20;
// Comparing reads smaller chunks, so that the chunk read and the one it is
// compared with stay in the core's cache.
constexpr size_t kCompareChunk = 256 << 10;

std::atomic<uint64_t> g_equalChunks = 0;

struct FileEntry {
    std::string path;
    uint64_t size;
};

struct Tree {
    std::vector<FileEntry> files;
    size_t folders = 0;
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

void ReadPrefix(const bench::PlannedFile<char>& file, std::vector<char>& buffer)
{
    const FileDescriptor descriptor(file.path);
    for (uint64_t left = file.needed; left > 0;) {
        const ssize_t got =
            read(descriptor.get(), buffer.data(), static_cast<size_t>(std::min<uint64_t>(left, buffer.size())));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw std::runtime_error("cannot read " + file.path);
        left -= static_cast<uint64_t>(got);
    }
}

// Every byte of both, whatever they hold, sixteen bytes a lane in four lanes.
bool SameBytes(const char* a, const char* b, size_t count)
{
    using Lane = unsigned long long __attribute__((vector_size(16)));
    Lane differ[4] = {};
    size_t i = 0;
    for (; i + 64 <= count; i += 64) {
        for (size_t k = 0; k < 4; ++k) {
            Lane x, y;
            std::memcpy(&x, a + i + 16 * k, 16);
            std::memcpy(&y, b + i + 16 * k, 16);
            differ[k] |= x ^ y;
        }
    }
    const Lane all = differ[0] | differ[1] | differ[2] | differ[3];
    return (all[0] | all[1]) == 0 && std::memcmp(a + i, b + i, count - i) == 0;
}

// As ReadPrefix, each chunk read into the half of the buffer that the thread's
// chunk before it did not take, then compared with that one.
void ReadAndComparePrefix(const bench::PlannedFile<char>& file, std::vector<char>& buffer)
{
    thread_local bool upper = false;
    const size_t half = buffer.size() / 2;
    const FileDescriptor descriptor(file.path);
    for (uint64_t left = file.needed; left > 0;) {
        upper = !upper;
        char* chunk = buffer.data() + (upper ? half : 0);
        const ssize_t got = read(descriptor.get(), chunk, static_cast<size_t>(std::min<uint64_t>(left, half)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            throw std::runtime_error("cannot read " + file.path);
        left -= static_cast<uint64_t>(got);
        if (SameBytes(chunk, buffer.data() + (upper ? 0 : half), static_cast<size_t>(got)))
            ++g_equalChunks;
    }
}

void WritePlan(const std::string& root, const std::string& planPath)
{
    const Tree tree = Walk(root);
    const bench::Plan<char> plan =
        bench::MakePlan<char>(tree.files, [&](size_t file, uint64_t offset, char* buffer, size_t count) {
            ReadAt(tree.files[file].path, offset, reinterpret_cast<unsigned char*>(buffer), count);
        });
    std::ofstream out(planPath, std::ios::binary);
    out << bench::Encode(plan);
    if (!out.flush())
        throw std::runtime_error("cannot write " + planPath);
    std::printf("Tree: %s\n", root.c_str());
    bench::PrintPlanned(tree.files, tree.folders, plan);
}

void Pass(const std::string& root, const std::string& planPath, unsigned threadCount, bool compare)
{
    bench::Plan<char> plan;
    Tree tree;
    bench::TimePass(
        [&] {
            std::ifstream in(planPath, std::ios::binary);
            if (!in)
                throw std::runtime_error("cannot open " + planPath);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            plan = bench::Decode<char>(bytes.str());
        },
        [&] { tree = Walk(root); },
        [&] {
            if (compare)
                bench::ReadPrefixes(plan.files, threadCount, 2 * kCompareChunk, ReadAndComparePrefix);
            else
                bench::ReadPrefixes(plan.files, threadCount, kReadChunk, ReadPrefix);
        },
        [&] {
            if (tree.files.size() != plan.treeFiles)
                throw std::runtime_error("the tree has changed since the plan was made; make it again");
        });
    if (compare)
        std::printf("Equal chunks: %llu\n", static_cast<unsigned long long>(g_equalChunks.load()));
}

// The best of a few batches, so that a busy moment of the machine does not count.
void CallCost()
{
    constexpr int kBatches = 5, kCalls = 200000;
    double best = 1e9;
    for (int batch = 0; batch < kBatches; ++batch) {
        const auto start = std::chrono::steady_clock::now();
        for (int call = 0; call < kCalls; ++call)
            syscall(SYS_getppid);
        const std::chrono::duration<double, std::micro> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count() / kCalls);
    }
    std::printf("System call: %.3f us\n", best);
}

int Usage()
{
    std::fprintf(stderr,
                 "usage: read_floor --plan TREE PLAN\n       read_floor --pass TREE PLAN [--threads N] [--compare]\n"
                 "       read_floor --call-cost\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--call-cost") {
        CallCost();
        return 0;
    }
    const bool compare = !args.empty() && args[0] == "--pass" && args.back() == "--compare";
    if (compare)
        args.pop_back();
    unsigned threadCount = 1;
    if (args.size() == 5 && args[0] == "--pass" && args[3] == "--threads") {
        const int parsed = std::atoi(args[4].c_str());
        if (parsed < 1 || parsed > 64)
            return Usage();
        threadCount = static_cast<unsigned>(parsed);
    } else if (args.size() != 3 || (args[0] != "--plan" && args[0] != "--pass")) {
        return Usage();
    }
    try {
        if (args[0] == "--plan")
            WritePlan(args[1], args[2]);
        else
            Pass(args[1], args[2], threadCount, compare);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "read_floor: %s\n", error.what());
        return 1;
    }
    return 0;
}
