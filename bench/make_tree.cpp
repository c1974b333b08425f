// Writes a reproducible tree of files to time duplicate searches on:
//   make_bench_tree OUTDIR [--files N] [--seed S] [--shape SHAPE]
// The same arguments always give the same names and the same bytes, so timings
// taken on different days or machines compare. The random numbers and the
// log-normal sampling are our own, so no library update can change the tree.
// SHAPE is "mixed" (the default: a tree like a user's disk) or one of the trees
// where all files have one size, which a comparison finds hardest:
//   random     N files of 16 KiB, random bytes (N defaults to 50 000)
//   tail2      N files of 16 KiB, equal but for the last 2 bytes, which count them
//   tail1      as tail2 with one counting byte: 256 groups
//   hugepairs  two pairs of 1 GiB files, each pair its own random bytes
//   head1      N files of 1 MiB, equal but for the first byte: 256 groups (N
//              defaults to 4 000)
//   empty      N empty files, a thousand to a folder (N defaults to 1 000 000)
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace {

constexpr uint64_t kDefaultSeed = 1;
constexpr size_t kDefaultFiles = 60000;

// Sizes: most files follow a log-normal body around 20 KB; a few "media" files
// follow a second log-normal around 3 MB, which gives the tail of tens of MB.
constexpr double kBodyMedian = 20000;
constexpr double kBodySigma = 1.22;
constexpr double kTailShare = 0.002;
constexpr double kTailMedian = 3e6;
constexpr double kTailSigma = 1.0;
// Large enough that two random files practically never come out equal.
constexpr uint64_t kMinSize = 64;
constexpr uint64_t kMaxSize = 64ull << 20;

constexpr size_t kFilesPerFolder = 15;
constexpr int kMaxDepth = 10;
constexpr size_t kFilesPerDuplicate = 10;  // one file in ten has an exact copy
constexpr size_t kFilesPerOneByteSet = 1000;
constexpr size_t kFilesPerEmptyFile = 1500;
constexpr size_t kChunk = 1 << 20;

constexpr size_t kDefaultShapeFiles = 50000;
constexpr uint64_t kShapeFileSize = 16 << 10;
constexpr uint64_t kHugeFileSize = 1ull << 30;
constexpr size_t kShapeFilesPerFolder = 100;
constexpr size_t kDefaultHeadFiles = 4000;
constexpr uint64_t kHeadFileSize = 1 << 20;
constexpr size_t kDefaultEmptyFiles = 1000000;
constexpr size_t kEmptyFilesPerFolder = 1000;

enum class Shape { Mixed, Random, TwoByteTail, OneByteTail, HugePairs, OneByteHead, Empty };

struct ShapeName {
    std::string_view name;
    Shape shape;
};
constexpr std::array<ShapeName, 7> kShapeNames = {{{"mixed", Shape::Mixed},
                                                   {"random", Shape::Random},
                                                   {"tail2", Shape::TwoByteTail},
                                                   {"tail1", Shape::OneByteTail},
                                                   {"hugepairs", Shape::HugePairs},
                                                   {"head1", Shape::OneByteHead},
                                                   {"empty", Shape::Empty}}};

// xoshiro256**, seeded through splitmix64.
class Random {
public:
    explicit Random(uint64_t seed)
    {
        for (uint64_t& word : m_state)
            word = SplitMix(seed);
    }

    uint64_t Next()
    {
        const uint64_t result = RotateLeft(m_state[1] * 5, 7) * 9;
        const uint64_t t = m_state[1] << 17;
        m_state[2] ^= m_state[0];
        m_state[3] ^= m_state[1];
        m_state[1] ^= m_state[2];
        m_state[0] ^= m_state[3];
        m_state[2] ^= t;
        m_state[3] = RotateLeft(m_state[3], 45);
        return result;
    }

    // The modulo bias is far below anything a benchmark tree could show.
    uint64_t Below(uint64_t bound) { return Next() % bound; }
    uint64_t Between(uint64_t low, uint64_t high) { return low + Below(high - low + 1); }
    bool Chance(double probability) { return Unit() < probability; }
    double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }

    // Box-Muller; only the cosine branch is used, which keeps the generator stateless.
    double Normal()
    {
        const double radius = std::sqrt(-2.0 * std::log(1.0 - Unit()));
        return radius * std::cos(2.0 * std::numbers::pi * Unit());
    }

    double LogNormal(double median, double sigma) { return median * std::exp(sigma * Normal()); }

    template <typename T, size_t N>
    const T& Pick(const std::array<T, N>& items)
    {
        return items[Below(N)];
    }

private:
    static uint64_t RotateLeft(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    static uint64_t SplitMix(uint64_t& state)
    {
        uint64_t z = (state += 0x9e3779b97f4a7c15);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9;
        z = (z ^ (z >> 27)) * 0x94d049bb133111eb;
        return z ^ (z >> 31);
    }

    std::array<uint64_t, 4> m_state;
};

constexpr std::array<std::string_view, 48> kFolderWords = {
    "photos", "music", "docs", "projects", "backup", "old", "archive", "src", "assets", "images",
    "Downloads", "Desktop", "reports", "invoices", "Camera Roll", "scans", "misc", "tmp", "build",
    "release", "videos", "holiday", "work", "private", "Shared", "letters", "drafts", "data", "export",
    "import", "thumbnails", "Library", "cache", "notes", "samples", "website", "static", "media",
    "New Folder", "Copy of files", "Übersicht", "café", "clients", "2019", "2020", "2021", "2022", "2023"};

constexpr std::array<std::string_view, 64> kFileWords = {
    "IMG", "DSC", "report", "invoice", "notes", "readme", "setup", "draft", "final", "summary", "photo",
    "track", "scan", "budget", "letter", "index", "main", "config", "data", "export", "backup", "picture",
    "song", "video", "clip", "chapter", "slides", "minutes", "contract", "offer", "receipt", "plan",
    "sketch", "logo", "banner", "icon", "cover", "page", "table", "chart", "list", "log", "dump", "image",
    "Screenshot", "Scan", "Document", "Untitled", "copy of report", "New Document", "résumé", "Übung",
    "holiday", "party", "wedding", "garden", "house", "car", "trip", "beach", "mountain", "city", "family",
    "friends"};

constexpr std::array<std::string_view, 24> kExtensions = {
    ".jpg", ".jpg", ".jpg", ".png", ".gif", ".mp3", ".flac", ".mp4", ".avi", ".pdf", ".doc", ".docx",
    ".txt", ".txt", ".xlsx", ".zip", ".tar.gz", ".iso", ".bin", ".dat", ".cpp", ".h", ".html", ""};

struct Folder {
    std::string path;  // relative to the tree's root; empty for the root
    int depth;
    std::unordered_set<std::string> takenNames;  // lower case, as some file systems compare
};

// A file's bytes are the stream of Random(contentSeed), with one byte flipped
// at flipOffset when flipMask is not zero, and its last tailBytes bytes replaced
// by tail, little-endian.
struct FileSpec {
    size_t folder;
    std::string name;
    uint64_t size;
    uint64_t contentSeed;
    uint64_t flipOffset;
    uint8_t flipMask;
    uint16_t tail = 0;
    uint8_t tailBytes = 0;
};

struct Plan {
    std::vector<Folder> folders;
    std::vector<double> folderWeightSums;  // running sums, to pick folders by weight
    std::vector<FileSpec> files;
    size_t duplicateGroups = 0;
    size_t duplicateFiles = 0;
    size_t oneByteSets = 0;
    size_t oneByteFiles = 0;
    size_t emptyFiles = 0;
};

std::string Lowered(std::string_view name)
{
    std::string lowered(name);
    for (char& c : lowered)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return lowered;
}

// Appends " (2)", " (3)"... before the extension until the name is free in the folder.
std::string ClaimName(Folder& folder, const std::string& wanted)
{
    const size_t dot = wanted.find('.', 1);
    const std::string stem = wanted.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : wanted.substr(dot);
    std::string name = wanted;
    for (int copy = 2; !folder.takenNames.insert(Lowered(name)).second; ++copy)
        name = stem + " (" + std::to_string(copy) + ")" + extension;
    return name;
}

std::string MakeFolderName(Random& random)
{
    std::string name = random.Chance(0.01) ? "." : "";
    name += random.Pick(kFolderWords);
    if (random.Chance(0.4)) {
        name += random.Chance(0.5) ? '_' : '-';
        name += std::to_string(random.Below(100));
    }
    return name;
}

// Stems come from a small pool, so the same names turn up in many folders.
std::string MakeFileName(Random& random)
{
    std::string name = random.Chance(0.01) ? "." : "";
    name += random.Pick(kFileWords);
    if (random.Chance(0.7)) {
        name += random.Chance(0.5) ? '_' : '-';
        name += std::to_string(random.Below(random.Chance(0.5) ? 20 : 5000));
    }
    name += random.Pick(kExtensions);
    return name;
}

// A random recursive tree: each new folder hangs below a folder picked at random,
// which gives a few wide folders near the top and long thin chains below.
void PlanFolders(Random& random, size_t count, Plan& plan)
{
    plan.folders.push_back({"", 0, {}});
    while (plan.folders.size() < count) {
        Folder& parent = plan.folders[random.Below(plan.folders.size())];
        if (parent.depth >= kMaxDepth)
            continue;
        const int depth = parent.depth + 1;
        const std::string name = ClaimName(parent, MakeFolderName(random));
        std::string path = parent.path.empty() ? name : parent.path + "/" + name;
        plan.folders.push_back({std::move(path), depth, {}});  // may move parent: it is not used after
    }
    // Log-normal weights make some folders hold hundreds of files and most a few.
    double weightSum = 0;
    for (size_t i = 0; i < plan.folders.size(); ++i) {
        weightSum += random.LogNormal(1.0, 1.2);
        plan.folderWeightSums.push_back(weightSum);
    }
}

size_t PickFolder(Random& random, const Plan& plan)
{
    const double target = random.Unit() * plan.folderWeightSums.back();
    const auto found = std::upper_bound(plan.folderWeightSums.begin(), plan.folderWeightSums.end(), target);
    return std::min(static_cast<size_t>(found - plan.folderWeightSums.begin()), plan.folders.size() - 1);
}

uint64_t SampleFileSize(Random& random)
{
    const double size = random.Chance(kTailShare) ? random.LogNormal(kTailMedian, kTailSigma)
                                                  : random.LogNormal(kBodyMedian, kBodySigma);
    return std::clamp(static_cast<uint64_t>(size), kMinSize, kMaxSize);
}

void AddFile(Plan& plan, size_t folder, const std::string& wantedName, uint64_t size, uint64_t contentSeed,
             uint64_t flipOffset = 0, uint8_t flipMask = 0)
{
    std::string name = ClaimName(plan.folders[folder], wantedName);
    plan.files.push_back({folder, std::move(name), size, contentSeed, flipOffset, flipMask});
}

// Copies land in different folders; half of them keep the original's name.
void PlanDuplicateGroups(Random& random, size_t fileCount, Plan& plan)
{
    while (plan.duplicateFiles < fileCount) {
        const size_t copies = random.Between(2, 5);
        const uint64_t size = SampleFileSize(random);
        const uint64_t contentSeed = random.Next();
        const std::string originalName = MakeFileName(random);
        std::vector<size_t> usedFolders;
        for (size_t copy = 0; copy < copies; ++copy) {
            size_t folder = PickFolder(random, plan);
            for (int retry = 0; retry < 8 && std::count(usedFolders.begin(), usedFolders.end(), folder); ++retry)
                folder = PickFolder(random, plan);
            usedFolders.push_back(folder);
            const std::string name = copy == 0 || random.Chance(0.5) ? originalName : MakeFileName(random);
            AddFile(plan, folder, name, size, contentSeed);
        }
        ++plan.duplicateGroups;
        plan.duplicateFiles += copies;
    }
}

// Sets of equal size whose members differ in exactly one byte: the first, the
// middle or the last one. Only a byte-exact comparison keeps them apart, and
// the last-byte sets make it read every byte. One set in four is several MB.
void PlanOneByteSets(Random& random, size_t setCount, Plan& plan)
{
    for (size_t set = 0; set < setCount; ++set) {
        const uint64_t size = set % 4 == 3 ? random.Between(2 << 20, 8 << 20) : SampleFileSize(random);
        const uint64_t flipOffset = std::array<uint64_t, 3>{0, size / 2, size - 1}[set % 3];
        const uint64_t contentSeed = random.Next();
        const std::string name = MakeFileName(random);
        const size_t members = random.Between(2, 4);
        for (size_t member = 0; member < members; ++member)
            AddFile(plan, PickFolder(random, plan), name, size, contentSeed, flipOffset,
                    static_cast<uint8_t>(member));
        ++plan.oneByteSets;
        plan.oneByteFiles += members;
    }
}

void PlanEmptyFiles(Random& random, size_t count, Plan& plan)
{
    for (size_t i = 0; i < count; ++i)
        AddFile(plan, PickFolder(random, plan), MakeFileName(random), 0, 0);
    plan.emptyFiles = count;
}

void PlanUniqueFiles(Random& random, size_t count, Plan& plan)
{
    for (size_t i = 0; i < count; ++i)
        AddFile(plan, PickFolder(random, plan), MakeFileName(random), SampleFileSize(random), random.Next());
}

// "f000042": names that list in the order of their numbers.
std::string Numbered(char prefix, size_t number, size_t digits)
{
    const std::string text = std::to_string(number);
    return prefix + std::string(digits > text.size() ? digits - text.size() : 0, '0') + text;
}

// Files named by their number, a hundred to a folder (empty files a thousand),
// all of one size.
Plan MakeShapePlan(Shape shape, size_t fileCount, uint64_t seed)
{
    Random random(seed);
    Plan plan;
    if (shape == Shape::HugePairs)
        fileCount = 4;
    const size_t perFolder = shape == Shape::Empty ? kEmptyFilesPerFolder : kShapeFilesPerFolder;
    const size_t folderCount = (fileCount + perFolder - 1) / perFolder;
    plan.folders.push_back({"", 0, {}});
    for (size_t i = 0; i < folderCount; ++i)
        plan.folders.push_back({Numbered('d', i, 3), 1, {}});
    const uint64_t sharedSeed = random.Next();
    const uint64_t pairSeeds[] = {random.Next(), random.Next()};
    for (size_t i = 0; i < fileCount; ++i) {
        FileSpec spec{1 + i / perFolder, Numbered('f', i, 6), kShapeFileSize, sharedSeed, 0, 0};
        switch (shape) {
        case Shape::Random:
            spec.contentSeed = random.Next();
            break;
        case Shape::TwoByteTail:
            spec.tail = static_cast<uint16_t>(i);
            spec.tailBytes = 2;
            break;
        case Shape::OneByteTail:
            spec.tail = static_cast<uint16_t>(i % 256);
            spec.tailBytes = 1;
            break;
        case Shape::HugePairs:
            spec.size = kHugeFileSize;
            spec.contentSeed = pairSeeds[i % 2];
            break;
        case Shape::OneByteHead:  // 256 groups, whose first bytes differ
            spec.size = kHeadFileSize;
            spec.flipMask = static_cast<uint8_t>(i % 256);
            break;
        case Shape::Empty:
            spec.size = 0;
            break;
        case Shape::Mixed:
            break;
        }
        plan.files.push_back(std::move(spec));
    }
    return plan;
}

Plan MakePlan(size_t fileCount, uint64_t seed)
{
    Random random(seed);
    Plan plan;
    PlanFolders(random, std::max<size_t>(1, fileCount / kFilesPerFolder), plan);
    PlanEmptyFiles(random, std::max<size_t>(3, fileCount / kFilesPerEmptyFile), plan);
    PlanOneByteSets(random, std::max<size_t>(3, fileCount / kFilesPerOneByteSet), plan);
    PlanDuplicateGroups(random, std::max<size_t>(2, fileCount / kFilesPerDuplicate), plan);
    const size_t planned = plan.files.size();
    PlanUniqueFiles(random, fileCount > planned ? fileCount - planned : 0, plan);
    return plan;
}

[[noreturn]] void Fail(const std::string& what, const std::string& path)
{
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

void WriteAll(int fd, const unsigned char* data, size_t count, const std::string& path)
{
    while (count > 0) {
        const ssize_t written = write(fd, data, count);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            Fail("cannot write", path);
        data += written;
        count -= static_cast<size_t>(written);
    }
}

// Little-endian on every host, so the bytes do not depend on the machine.
void FillRandom(Random& random, unsigned char* buffer, size_t count)
{
    for (size_t i = 0; i < count; i += 8) {
        const uint64_t word = random.Next();
        for (size_t b = 0; b < 8 && i + b < count; ++b)
            buffer[i + b] = static_cast<unsigned char>(word >> (8 * b));
    }
}

void WriteFile(const std::string& path, const FileSpec& spec, std::vector<unsigned char>& buffer)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        Fail("cannot create", path);
    Random content(spec.contentSeed);
    for (uint64_t offset = 0; offset < spec.size; offset += kChunk) {
        const size_t count = static_cast<size_t>(std::min<uint64_t>(kChunk, spec.size - offset));
        FillRandom(content, buffer.data(), count);
        if (spec.flipMask != 0 && spec.flipOffset >= offset && spec.flipOffset - offset < count)
            buffer[spec.flipOffset - offset] ^= spec.flipMask;
        for (uint64_t b = 0; b < spec.tailBytes; ++b) {
            const uint64_t at = spec.size - spec.tailBytes + b;
            if (at >= offset && at - offset < count)
                buffer[at - offset] = static_cast<unsigned char>(spec.tail >> (8 * b));
        }
        WriteAll(fd, buffer.data(), count, path);
    }
    if (close(fd) != 0)
        Fail("cannot close", path);
}

std::string Join(const std::string& root, const std::string& relative)
{
    return relative.empty() ? root : root + "/" + relative;
}

uint64_t WriteTree(const std::string& root, const Plan& plan)
{
    for (const Folder& folder : plan.folders)
        if (mkdir(Join(root, folder.path).c_str(), 0755) != 0 && !(folder.path.empty() && errno == EEXIST))
            Fail("cannot create folder", Join(root, folder.path));
    std::vector<unsigned char> buffer(kChunk);
    uint64_t bytes = 0;
    for (const FileSpec& spec : plan.files) {
        WriteFile(Join(root, plan.folders[spec.folder].path) + "/" + spec.name, spec, buffer);
        bytes += spec.size;
    }
    return bytes;
}

struct Arguments {
    std::string outDir;
    std::optional<size_t> files;
    uint64_t seed = kDefaultSeed;
    Shape shape = Shape::Mixed;
};

size_t DefaultFiles(Shape shape)
{
    switch (shape) {
    case Shape::Mixed:
        return kDefaultFiles;
    case Shape::OneByteHead:
        return kDefaultHeadFiles;
    case Shape::Empty:
        return kDefaultEmptyFiles;
    default:
        return kDefaultShapeFiles;
    }
}

std::optional<Shape> ParseShape(std::string_view text)
{
    for (const ShapeName& known : kShapeNames)
        if (known.name == text)
            return known.shape;
    return std::nullopt;
}

std::optional<Arguments> ParseArguments(int argc, char** argv)
{
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--files" && i + 1 < argc) {
            arguments.files = std::stoull(argv[++i], nullptr, 0);
        } else if (arg == "--seed" && i + 1 < argc) {
            arguments.seed = std::stoull(argv[++i], nullptr, 0);
        } else if (arg == "--shape" && i + 1 < argc) {
            const std::optional<Shape> shape = ParseShape(argv[++i]);
            if (!shape)
                return std::nullopt;
            arguments.shape = *shape;
        } else if (arguments.outDir.empty() && !arg.starts_with("-")) {
            arguments.outDir = arg;
        } else {
            return std::nullopt;
        }
    }
    if (arguments.outDir.empty() || arguments.files == 0)
        return std::nullopt;
    if (!arguments.files)
        arguments.files = DefaultFiles(arguments.shape);
    return arguments;
}

bool IsMissingOrEmptyFolder(const std::string& path)
{
    DIR* dir = opendir(path.c_str());
    if (!dir)
        return errno == ENOENT;
    size_t entries = 0;
    while (readdir(dir))
        ++entries;
    closedir(dir);
    return entries <= 2;  // "." and ".."
}

}  // namespace

int main(int argc, char** argv)
{
    const std::optional<Arguments> arguments = ParseArguments(argc, argv);
    if (!arguments) {
        std::fprintf(stderr, "usage: make_bench_tree OUTDIR [--files N] [--seed S] "
                             "[--shape mixed|random|tail2|tail1|hugepairs|head1|empty]\n");
        return 2;
    }
    // Writing into a used folder would mix two trees.
    if (!IsMissingOrEmptyFolder(arguments->outDir)) {
        std::fprintf(stderr, "make_bench_tree: %s exists and is not an empty folder\n", arguments->outDir.c_str());
        return 1;
    }
    try {
        const size_t files = *arguments->files;
        const Plan plan = arguments->shape == Shape::Mixed ? MakePlan(files, arguments->seed)
                                                           : MakeShapePlan(arguments->shape, files, arguments->seed);
        const uint64_t bytes = WriteTree(arguments->outDir, plan);
        std::printf("Tree: %s (seed %llu)\n", arguments->outDir.c_str(),
                    static_cast<unsigned long long>(arguments->seed));
        std::printf("Files: %zu, folders: %zu, bytes: %llu (%.2f GB)\n", plan.files.size(), plan.folders.size(),
                    static_cast<unsigned long long>(bytes), static_cast<double>(bytes) / 1e9);
        if (arguments->shape == Shape::Mixed) {
            std::printf("Duplicate groups: %zu (%zu files)\n", plan.duplicateGroups, plan.duplicateFiles);
            std::printf("Equal-size sets differing in one byte: %zu (%zu files)\n", plan.oneByteSets,
                        plan.oneByteFiles);
            std::printf("Empty files: %zu\n", plan.emptyFiles);
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_bench_tree: %s\n", error.what());
        return 1;
    }
    return 0;
}
