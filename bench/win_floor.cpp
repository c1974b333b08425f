// The least time any duplicate search needs on a tree under this Windows (or Wine):
//   win_floor --plan TREE PLAN              works out what a comparison reads
//   win_floor --pass TREE PLAN [--by-size]  one timed walk and read, as a search
// The walk lists every folder on two threads with the cheapest listing the API
// has (basic information, large fetch). The read pass opens, on two threads,
// every file an exact comparison cannot skip and reads it from the start with
// plain reads, up to and including the byte at which it parts from the last file
// of its size (all of it when it has a copy). Which bytes those are is planned
// by another process, so a pass never follows a pass of its own over the same
// bytes; the bench scripts time the pass's process from outside, as they time
// the searches, less the time it took to load the plan (printed). The files are
// read in the order the walk found them, or by size (--by-size), as any
// comparison of files of one size meets them; under Wine the second order costs
// more, each open resolving its path far from the last.
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

#include "bench/Plan.h"
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

class File {
public:
    File(const std::wstring& path, const wchar_t* mode) : m_file(_wfopen(path.c_str(), mode))
    {
        if (!m_file)
            throw std::runtime_error("cannot open the plan");
    }
    ~File() { std::fclose(m_file); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    std::FILE* get() const { return m_file; }

private:
    std::FILE* m_file;
};

void WritePlan(const std::wstring& root, const std::wstring& planPath)
{
    const Tree tree = ParallelWalk(root).Run();
    if (tree.unlisted > 0)
        throw std::runtime_error("folders that could not be listed");
    const bench::Plan<wchar_t> plan =
        bench::MakePlan<wchar_t>(tree.files, [&](size_t file, uint64_t offset, char* buffer, size_t count) {
            ReadAt(tree.files[file].path, offset, buffer, count);
        });
    const std::string encoded = bench::Encode(plan);
    {
        const File out(planPath, L"wb");
        if (std::fwrite(encoded.data(), 1, encoded.size(), out.get()) != encoded.size())
            throw std::runtime_error("cannot write the plan");
    }
    bench::PrintPlanned(tree.files, tree.folders, plan);
}

bench::Plan<wchar_t> LoadPlan(const std::wstring& planPath, bool bySize)
{
    std::string encoded;
    {
        const File in(planPath, L"rb");
        char block[1 << 16];
        for (size_t got; (got = std::fread(block, 1, sizeof block, in.get())) > 0;)
            encoded.append(block, got);
    }
    bench::Plan<wchar_t> plan = bench::Decode<wchar_t>(encoded);
    if (bySize)
        std::stable_sort(plan.files.begin(), plan.files.end(),
                         [](const auto& a, const auto& b) { return a.size < b.size; });
    return plan;
}

void Pass(const std::wstring& root, const std::wstring& planPath, bool bySize)
{
    bench::Plan<wchar_t> plan;
    Tree tree;
    bench::TimePass([&] { plan = LoadPlan(planPath, bySize); }, [&] { tree = ParallelWalk(root).Run(); },
                    [&] {
                        bench::ReadPrefixes(plan.files, kThreads, kReadChunk,
                                            [](const bench::PlannedFile<wchar_t>& file, std::vector<char>& chunk) {
                                                ReadPrefix(file.path, file.needed, chunk);
                                            });
                    },
                    [&] {
                        if (tree.unlisted > 0 || tree.files.size() != plan.treeFiles)
                            throw std::runtime_error(
                                "the tree has changed since the plan was made; make it again");
                    });
}

int Usage()
{
    std::fprintf(stderr, "usage: win_floor --plan TREE PLAN\n       win_floor --pass TREE PLAN [--by-size]\n");
    return 2;
}

// Paths of deep trees are longer than the plain form takes.
std::wstring LongPath(std::wstring path)
{
    return path.starts_with(L"\\\\?\\") ? path : L"\\\\?\\" + path;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    const bool bySize = args.size() == 4 && args[0] == L"--pass" && args[3] == L"--by-size";
    if (!bySize && (args.size() != 3 || (args[0] != L"--plan" && args[0] != L"--pass")))
        return Usage();
    try {
        if (args[0] == L"--plan")
            WritePlan(LongPath(args[1]), args[2]);
        else
            Pass(LongPath(args[1]), args[2], bySize);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "win_floor: %s\n", error.what());
        return 1;
    }
    return 0;
}
