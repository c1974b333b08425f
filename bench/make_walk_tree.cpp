// Writes a reproducible tree whose shape, not its bytes, makes the walk hard:
//   make_walk_tree OUTDIR --depth N   N folders, each inside the one before
//   make_walk_tree OUTDIR --flat N    one folder of N files
// Every folder of the deep tree holds one small file; names are one letter, so
// that 2 000 levels still fit a path on Linux. In both shapes one file in ten is
// a copy of the file before it, so the comparison has groups to find.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr size_t kCopyEvery = 10;

// splitmix64: the same bytes for the same arguments on every machine.
uint64_t Mix(uint64_t value)
{
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd)
    {
        if (m_fd < 0)
            throw std::runtime_error(std::strerror(errno));
    }
    ~Fd() { close(m_fd); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The bytes of file i: a copy of file i - 1 for every tenth one. Sizes come from
// sizeOf, so that a shape decides how many files share a size.
std::vector<unsigned char> ContentOf(size_t i, uint64_t (*sizeOf)(size_t))
{
    const size_t source = (i % kCopyEvery == kCopyEvery - 1) ? i - 1 : i;
    std::vector<unsigned char> bytes(sizeOf(source));
    uint64_t state = Mix(source);
    for (size_t at = 0; at < bytes.size(); ++at) {
        if (at % 8 == 0)
            state = Mix(state);
        bytes[at] = static_cast<unsigned char>(state >> (8 * (at % 8)));
    }
    return bytes;
}

void WriteFile(int folder, const char* name, const std::vector<unsigned char>& bytes)
{
    Fd file(openat(folder, name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (write(file.get(), bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
        throw std::runtime_error(std::string("cannot write ") + name);
}

// Every level a size of its own, the copies aside: only the copies are compared.
uint64_t DeepSize(size_t i) { return 1024 + i; }

// Sizes from 64 bytes to 4 KiB: some 70 files share each size.
uint64_t FlatSize(size_t i) { return 64 + Mix(i ^ 0xF1A7) % 4033; }

// Folders are made relative to their parent: the full path of the last ones is
// longer than some systems let one call take.
void MakeDeep(const std::string& root, size_t depth)
{
    if (mkdir(root.c_str(), 0755) != 0)
        throw std::runtime_error("cannot make " + root + ": " + std::strerror(errno));
    int folder = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    for (size_t level = 0; level < depth; ++level) {
        Fd here(folder);
        WriteFile(here.get(), "f", ContentOf(level, DeepSize));
        if (mkdirat(here.get(), "d", 0755) != 0)
            throw std::runtime_error("cannot make level " + std::to_string(level + 1));
        folder = openat(here.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    close(folder);
}

void MakeFlat(const std::string& root, size_t files)
{
    if (mkdir(root.c_str(), 0755) != 0)
        throw std::runtime_error("cannot make " + root + ": " + std::strerror(errno));
    Fd folder(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    char name[32];
    for (size_t i = 0; i < files; ++i) {
        std::snprintf(name, sizeof name, "f%07zu.bin", i);
        WriteFile(folder.get(), name, ContentOf(i, FlatSize));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4 || (std::string_view(argv[2]) != "--depth" && std::string_view(argv[2]) != "--flat")) {
        std::fprintf(stderr, "usage: make_walk_tree OUTDIR --depth N | --flat N\n");
        return 2;
    }
    try {
        const size_t count = std::stoull(argv[3]);
        if (std::string_view(argv[2]) == "--depth")
            MakeDeep(argv[1], count);
        else
            MakeFlat(argv[1], count);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_walk_tree: %s\n", error.what());
        return 1;
    }
    return 0;
}
