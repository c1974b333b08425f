// What one read costs under this Windows (or Wine), by the way it says where to
// read, on a file in the page cache:  win_reads FILE
// Each way reads the whole file in blocks of the same size: plain reads of the
// next block, reads at an offset given in an OVERLAPPED on a synchronous
// handle, and a move of the file pointer before every plain read.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <vector>

#include "win32/Handles.h"

namespace {

constexpr int kRepeats = 5;

using ReadBlock = std::function<DWORD(HANDLE file, uint64_t offset, char* buffer, DWORD count)>;

DWORD Plain(HANDLE file, uint64_t, char* buffer, DWORD count)
{
    DWORD got = 0;
    if (!ReadFile(file, buffer, count, &got, nullptr))
        throw std::runtime_error("plain read failed");
    return got;
}

DWORD AtOffset(HANDLE file, uint64_t offset, char* buffer, DWORD count)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD got = 0;
    if (!ReadFile(file, buffer, count, &got, &at) && GetLastError() != ERROR_HANDLE_EOF)
        throw std::runtime_error("read at an offset failed");
    return got;
}

DWORD MoveThenRead(HANDLE file, uint64_t offset, char* buffer, DWORD count)
{
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN))
        throw std::runtime_error("moving the file pointer failed");
    return Plain(file, offset, buffer, count);
}

// The best time of one read, in microseconds.
double MicrosecondsPerRead(const wchar_t* path, DWORD block, const ReadBlock& read)
{
    std::vector<char> buffer(block);
    double best = 1e30;
    for (int repeat = 0; repeat < kRepeats; ++repeat) {
        twinsweep::UniqueHandle file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                 OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file)
            throw std::runtime_error("cannot open the file");
        long reads = 0;
        const auto start = std::chrono::steady_clock::now();
        for (uint64_t offset = 0;; ++reads) {
            const DWORD got = read(file.get(), offset, buffer.data(), block);
            if (got == 0)
                break;
            offset += got;
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        best = std::min(best, seconds * 1e6 / std::max(reads, 1L));
    }
    return best;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: win_reads FILE\n");
        return 2;
    }
    const std::pair<const char*, ReadBlock> ways[] = {
        {"plain read of the next block", Plain},
        {"read at an offset (OVERLAPPED)", AtOffset},
        {"move the pointer, then read", MoveThenRead},
    };
    try {
        for (DWORD block : {4096u, 65536u}) {
            for (const auto& [name, read] : ways)
                std::printf("%-32s %6lu-byte blocks: %8.2f us per read\n", name, block,
                            MicrosecondsPerRead(argv[1], block, read));
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "win_reads: %s\n", error.what());
        return 1;
    }
    return 0;
}
