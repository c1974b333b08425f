#include "tests/support/TempTree.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <random>
#include <thread>

#ifdef _WIN32
#include <windows.h>

#include "win32/Utf16.h"
#endif

namespace twinsweep::test {

namespace fs = std::filesystem;

std::string Utf8(const fs::path& path)
{
    std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

fs::path FromUtf8(std::string_view text)
{
    return fs::path(std::u8string(text.begin(), text.end()));
}

#ifdef _WIN32
namespace {

// Wine accepts CreateSymbolicLinkW but makes no link, and shows a Unix link to a
// folder as a plain folder. It does start Unix programs, so links are made and
// removed the Unix way. Their process handle does not wait for them: the caller
// waits until the command has done its work.
void RunUnixShell(const std::string& command, const std::function<bool()>& done)
{
    std::wstring commandLine = Utf8ToWide("Z:\\bin\\sh -c \"" + command + "\"");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(L"Z:\\bin\\sh", commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    for (int wait = 0; wait < 200 && !done(); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

// Empty when not under Wine.
std::string UnixPath(const std::string& path)
{
    using UnixName = char*(CDECL*)(const wchar_t*);
    auto unixName = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    char* name = unixName ? unixName(Utf8ToWide(path).c_str()) : nullptr;
    std::string unix = name ? name : "";
    HeapFree(GetProcessHeap(), 0, name);
    return unix;
}

// The extended form of the path takes the folders beyond MAX_PATH too, which the
// standard library's removal leaves behind.
void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

}  // namespace
#endif

TempTree::TempTree()
{
    static std::atomic<unsigned> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::string name = "twinsweep-test-" + std::to_string(stamp) + "-" + std::to_string(counter++);
    fs::path root = fs::temp_directory_path() / name;
    fs::create_directories(root);
    m_root = Utf8(fs::canonical(root));
}

TempTree::~TempTree()
{
    std::error_code ignored;
    // Links first: removing the tree must not follow them.
    for (const std::string& link : m_links) {
#ifdef _WIN32
        RunUnixShell("rm -f '" + UnixPath(link) + "'", [&] { return !fs::exists(FromUtf8(link), ignored); });
#endif
        fs::remove(FromUtf8(link), ignored);
    }
#ifdef _WIN32
    RemoveTree(L"\\\\?\\" + Utf8ToWide(m_root));
#else
    fs::remove_all(FromUtf8(m_root), ignored);
#endif
}

std::string TempTree::Path(std::string_view relative) const
{
    std::string path = m_root;
    if (!relative.empty())
        path += static_cast<char>(fs::path::preferred_separator);
    for (char c : relative)
        path += c == '/' ? static_cast<char>(fs::path::preferred_separator) : c;
    return path;
}

std::string TempTree::MakeFolder(std::string_view relative) const
{
    std::string path = Path(relative);
    fs::create_directories(FromUtf8(path));
    return path;
}

std::string TempTree::Write(std::string_view relative, std::string_view contents) const
{
    std::string path = Path(relative);
    fs::path native = FromUtf8(path);
    fs::create_directories(native.parent_path());
    std::ofstream file(native, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return path;
}

std::string PatternBytes(uint64_t size, uint32_t seed)
{
    std::string bytes(size, '\0');
    std::mt19937 random(seed);
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

void TempTree::Remove(std::string_view relative) const
{
    fs::remove(FromUtf8(Path(relative)));
}

bool TempTree::RunShell(const std::string& command) const
{
#ifdef _WIN32
    static std::atomic<unsigned> counter{0};
    const std::string unixRoot = UnixPath(m_root);
    if (unixRoot.empty())
        return false;
    const std::string marker = ".shell-done-" + std::to_string(counter++);
    std::error_code error;
    RunUnixShell("cd '" + unixRoot + "' && (" + command + ") && touch " + marker,
                 [&] { return fs::exists(FromUtf8(Path(marker)), error); });
    return fs::remove(FromUtf8(Path(marker)), error);
#else
    return std::system(("cd '" + m_root + "' && (" + command + ")").c_str()) == 0;
#endif
}

bool TempTree::LinkFolder(std::string_view target, std::string_view link) const
{
    std::string linkPath = Path(link);
    m_links.push_back(linkPath);
    std::error_code error;
#ifdef _WIN32
    std::string unixTarget = UnixPath(Path(target));
    if (!unixTarget.empty())
        RunUnixShell("ln -s '" + unixTarget + "' '" + UnixPath(linkPath) + "'",
                     [&] { return fs::is_directory(FromUtf8(linkPath), error); });
    else
#endif
        fs::create_directory_symlink(FromUtf8(Path(target)), FromUtf8(linkPath), error);
    return fs::is_directory(FromUtf8(linkPath), error);
}

}  // namespace twinsweep::test
