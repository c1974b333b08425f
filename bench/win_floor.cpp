// The least time any duplicate search needs on a tree under this Windows (or
// Wine), warm:  win_floor TREE
// The walk floor lists every folder on two threads with the cheapest listing the
// API has (basic information, large fetch). The read floor opens, on two
// threads, every file an exact comparison cannot skip and reads it from the
// start with plain reads, up to and including the byte at which it parts from
// the last file of its size (all of it when it has a copy). Which bytes those
// are is worked out before the clock starts. The files are read twice over: in
// the order the walk found them, and by size, as any comparison of files of one
// size meets them; under Wine the second order costs more, each open resolving
// its path far from the last.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/BestOf.h"
#include "bench/NeededLengths.h"
#include "win32/Handles.h"

namespace {

constexpr DWORD kReadChunk = 1 << 20;
constexpr unsigned kThreads = 2;

struct FileEntry {
    std::wstring path;
    uint64_t size;
};

struct Tree {
    std::vector<FileEntry> files;
    size_t folders = 0;
    size_t unlisted = 0;  // folders that could not be listed
};

struct Prefix {
    const std::wstring* path;
    uint64_t length;
    uint64_t size;
};

// Folders wait in a shared stack; a thread that finds it empty waits while the
// other may still add some.
class ParallelWalk {
public:
    explicit ParallelWalk(const std::wstring& root) { m_pending.push_back(root); }

    Tree Run()
    {
        std::vector<std::jthread> threads;
        for (unsigned i = 1; i < kThreads; ++i)
            threads.emplace_back([this] { Work(); });
        Work();
        threads.clear();
        return std::move(m_tree);
    }

private:
    void Work()
    {
        Tree found;
        std::vector<std::wstring> subfolders;
        for (std::wstring folder; Next(folder);) {
            subfolders.clear();
            List(folder, found, subfolders);
            Done(subfolders);
        }
        std::lock_guard lock(m_mutex);
        m_tree.folders += found.folders;
        m_tree.unlisted += found.unlisted;
        for (FileEntry& file : found.files)
            m_tree.files.push_back(std::move(file));
    }

    bool Next(std::wstring& folder)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return !m_pending.empty() || m_busy == 0; });
        if (m_pending.empty())
            return false;
        folder = std::move(m_pending.back());
        m_pending.pop_back();
        ++m_busy;
        return true;
    }

    void Done(std::vector<std::wstring>& subfolders)
    {
        {
            std::lock_guard lock(m_mutex);
            for (std::wstring& subfolder : subfolders)
                m_pending.push_back(std::move(subfolder));
            --m_busy;
        }
        m_changed.notify_all();
    }

    static void List(const std::wstring& folder, Tree& found, std::vector<std::wstring>& subfolders)
    {
        WIN32_FIND_DATAW data;
        twinsweep::UniqueFindHandle find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data,
                                                          FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) {
            // Thrown on a walking thread it would end the program: counted instead.
            if (found.unlisted++ == 0)
                std::fwprintf(stderr, L"cannot list %ls (error %lu)\n", folder.c_str(), GetLastError());
            return;
        }
        ++found.folders;
        do {
            const std::wstring_view name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L'\\' + data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                subfolders.push_back(std::move(path));
            else
                found.files.push_back({std::move(path), (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow});
        } while (FindNextFileW(find.get(), &data));
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<std::wstring> m_pending;
    unsigned m_busy = 0;
    Tree m_tree;
};

twinsweep::UniqueHandle OpenToRead(const std::wstring& path)
{
    twinsweep::UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        throw std::runtime_error("cannot open a file");
    return file;
}

// Reads the first length bytes of a file in plain reads of the next chunk.
void ReadPrefix(const std::wstring& path, uint64_t length, std::vector<char>& chunk)
{
    twinsweep::UniqueHandle file = OpenToRead(path);
    for (uint64_t done = 0; done < length;) {
        DWORD got = 0;
        const auto want = static_cast<DWORD>(std::min<uint64_t>(length - done, chunk.size()));
        if (!ReadFile(file.get(), chunk.data(), want, &got, nullptr) || got == 0)
            throw std::runtime_error("cannot read a file");
        done += got;
    }
}

void ReadAt(const std::wstring& path, uint64_t offset, char* buffer, size_t count)
{
    twinsweep::UniqueHandle file = OpenToRead(path);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file.get(), at, nullptr, FILE_BEGIN))
        throw std::runtime_error("cannot seek in a file");
    for (size_t done = 0; done < count;) {
        DWORD got = 0;
        if (!ReadFile(file.get(), buffer + done, static_cast<DWORD>(count - done), &got, nullptr) || got == 0)
            throw std::runtime_error("cannot read a file");
        done += got;
    }
}

std::vector<Prefix> NeededPrefixes(const std::vector<FileEntry>& files)
{
    std::vector<uint64_t> sizes;
    for (const FileEntry& file : files)
        sizes.push_back(file.size);
    const std::vector<uint64_t> needs = bench::NeededLengths(
        sizes, [&](size_t file, uint64_t offset, char* buffer, size_t count) {
            ReadAt(files[file].path, offset, buffer, count);
        });
    std::vector<Prefix> prefixes;
    for (size_t i = 0; i < files.size(); ++i)
        if (needs[i] > 0)
            prefixes.push_back({&files[i].path, needs[i], files[i].size});
    return prefixes;
}

void ReadPrefixes(const std::vector<Prefix>& prefixes)
{
    std::atomic<size_t> next = 0;
    auto readSome = [&] {
        std::vector<char> chunk(kReadChunk);
        for (size_t i = next++; i < prefixes.size(); i = next++)
            ReadPrefix(*prefixes[i].path, prefixes[i].length, chunk);
    };
    std::vector<std::jthread> threads;
    for (unsigned i = 1; i < kThreads; ++i)
        threads.emplace_back(readSome);
    readSome();
}

void Report(const std::wstring& root)
{
    Tree tree;
    const double walkSeconds = bench::BestSecondsOf([&] { tree = ParallelWalk(root).Run(); });
    uint64_t bytes = 0;
    for (const FileEntry& file : tree.files)
        bytes += file.size;
    std::printf("Files: %zu in %zu folders, %llu bytes\n", tree.files.size(), tree.folders,
                static_cast<unsigned long long>(bytes));
    if (tree.unlisted > 0)
        std::printf("Folders that could not be listed: %zu\n", tree.unlisted);
    std::printf("Walk floor, 2 threads: %.3f s (best of %d)\n", walkSeconds, bench::kRepeats);

    const std::vector<Prefix> prefixes = NeededPrefixes(tree.files);
    uint64_t needed = 0;
    for (const Prefix& prefix : prefixes)
        needed += prefix.length;
    std::printf("Read floor bytes: %llu in %zu files\n", static_cast<unsigned long long>(needed), prefixes.size());
    const double readSeconds = bench::BestSecondsOf([&] { ReadPrefixes(prefixes); });
    std::printf("Read floor, 2 threads: %.3f s (best of %d)\n", readSeconds, bench::kRepeats);
    std::printf("Floor: %.3f s\n", walkSeconds + readSeconds);

    std::vector<Prefix> bySize = prefixes;
    std::stable_sort(bySize.begin(), bySize.end(), [](const Prefix& a, const Prefix& b) { return a.size < b.size; });
    const double sizeOrderSeconds = bench::BestSecondsOf([&] { ReadPrefixes(bySize); });
    std::printf("Read floor by size, 2 threads: %.3f s (best of %d)\n", sizeOrderSeconds, bench::kRepeats);
    std::printf("Floor by size: %.3f s\n", walkSeconds + sizeOrderSeconds);
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: win_floor TREE\n");
        return 2;
    }
    // Paths of deep trees are longer than the plain form takes.
    std::wstring root = argv[1];
    if (!root.starts_with(L"\\\\?\\"))
        root = L"\\\\?\\" + root;
    try {
        Report(root);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "win_floor: %s\n", error.what());
        return 1;
    }
    return 0;
}
