// The file-system seam on the wide Win32 API: names outside the ANSI code page are
// found, opened and shown, and paths longer than MAX_PATH go through the "\\?\" form.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <vector>

#include "platform/FileSystem.h"
#include "win32/Handles.h"
#include "win32/Utf16.h"

namespace twinsweep {
namespace {

bool IsPathSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// The form of a full path that the API takes at any length. Short paths stay as
// they are, so that relative and odd forms keep their usual meaning there.
std::wstring ApiPath(const std::string& path)
{
    std::wstring wide = Utf8ToWide(path);
    if (wide.size() < MAX_PATH - 12 || wide.starts_with(L"\\\\?\\"))
        return wide;
    if (wide.size() > 2 && wide[1] == L':' && IsPathSeparator(wide[2]))
        return L"\\\\?\\" + wide;
    if (wide.size() > 2 && IsPathSeparator(wide[0]) && IsPathSeparator(wide[1]))
        return L"\\\\?\\UNC\\" + wide.substr(2);
    return wide;
}

std::wstring ChildPattern(const std::string& folder, const std::string& mask)
{
    std::wstring pattern = ApiPath(folder);
    if (pattern.empty() || !IsPathSeparator(pattern.back()))
        pattern += L'\\';
    pattern += Utf8ToWide(mask);
    return pattern;
}

// A file index of 0 means the file system keeps none (some network shares): such a
// file cannot be told apart from another by identity.
std::optional<FileIdentity> IdentityOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    uint64_t index = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    if (index == 0)
        return std::nullopt;
    return FileIdentity{info.dwVolumeSerialNumber, index};
}

class Win32FolderListing : public FolderListing {
public:
    explicit Win32FolderListing(std::string path) : m_path(std::move(path)) {}

    // False when the folder cannot be listed at all; an empty folder can.
    bool ListAll() { return Search("*", m_all); }

    void Find(const std::string& mask, std::vector<FolderEntry>& entries) override
    {
        if (mask == "*" || mask == "*.*") {
            entries.insert(entries.end(), m_all.begin(), m_all.end());
            return;
        }
        Search(mask, entries);
    }

private:
    bool Search(const std::string& mask, std::vector<FolderEntry>& entries) const
    {
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(FindFirstFileExW(ChildPattern(m_path, mask).c_str(), FindExInfoBasic, &data,
                                               FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find)
            return GetLastError() == ERROR_FILE_NOT_FOUND;
        do {
            std::wstring_view name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            bool isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            uint64_t size = (uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
            entries.push_back({WideToUtf8(name), isFolder, isFolder ? 0 : size, isLink, std::nullopt});
        } while (FindNextFileW(find.get(), &data));
        return true;
    }

    std::string m_path;
    std::vector<FolderEntry> m_all;
};

class Win32File : public ReadableFile {
public:
    Win32File(UniqueHandle handle, uint64_t size) : m_handle(std::move(handle)), m_size(size) {}

    uint64_t Size() const override { return m_size; }
    // Asked for only when needed: it costs a query of the volume.
    std::optional<FileIdentity> Identity() const override { return IdentityOf(m_handle.get()); }

    std::optional<size_t> ReadAt(uint64_t offset, void* buffer, size_t count) override
    {
        size_t done = 0;
        while (done < count) {
            OVERLAPPED at{};
            uint64_t position = offset + done;
            at.Offset = static_cast<DWORD>(position);
            at.OffsetHigh = static_cast<DWORD>(position >> 32);
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(m_handle.get(), static_cast<char*>(buffer) + done, chunk, &got, &at)) {
                if (GetLastError() == ERROR_HANDLE_EOF)
                    break;
                return std::nullopt;
            }
            if (got == 0)
                break;
            done += got;
        }
        return done;
    }

private:
    UniqueHandle m_handle;
    uint64_t m_size;
};

class Win32FileSystem : public FileSystem {
public:
    char Separator() const override { return '\\'; }

    std::string FullPath(const std::string& path) const override
    {
        std::wstring wide = Utf8ToWide(path);
        std::vector<wchar_t> buffer(MAX_PATH);
        for (;;) {
            DWORD length = GetFullPathNameW(wide.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
            if (length == 0)
                return path;
            if (length < buffer.size()) {
                std::wstring full(buffer.data(), length);
                // A root keeps its separator: "C:\" is a folder, "C:" is the current
                // folder of drive C.
                while (full.size() > 3 && IsPathSeparator(full.back()))
                    full.pop_back();
                return WideToUtf8(full);
            }
            buffer.resize(length);
        }
    }

    bool Exists(const std::string& path) const override
    {
        return GetFileAttributesW(ApiPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

    bool IsFolder(const std::string& path) const override
    {
        DWORD attributes = GetFileAttributesW(ApiPath(path).c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return false;
        Win32FolderListing listing(path);
        return listing.ListAll();
    }

    std::string PathCaseKey(const std::string& path) const override
    {
        std::wstring wide = Utf8ToWide(path);
        if (wide.empty())
            return path;
        int length = LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(),
                                   static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr, 0);
        std::wstring upper(static_cast<size_t>(length), L'\0');
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), static_cast<int>(wide.size()),
                      upper.data(), length, nullptr, nullptr, 0);
        return WideToUtf8(upper);
    }

    std::string ResolveShortcut(const std::string& path) const override
    {
        // Balanced here, so the caller need not have initialised COM on its thread.
        HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        std::string target = ReadShortcutTarget(path);
        if (SUCCEEDED(init))
            CoUninitialize();
        return target;
    }

    std::unique_ptr<FolderListing> OpenFolder(const std::string& path) const override
    {
        auto listing = std::make_unique<Win32FolderListing>(path);
        if (!listing->ListAll())
            return nullptr;
        return listing;
    }

    std::optional<FileIdentity> FolderIdentity(const std::string& path) const override
    {
        UniqueHandle folder(CreateFileW(ApiPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        if (!folder)
            return std::nullopt;
        return IdentityOf(folder.get());
    }

    std::unique_ptr<ReadableFile> OpenForReading(const std::string& path) const override
    {
        UniqueHandle handle(CreateFileW(ApiPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        LARGE_INTEGER size;
        if (!handle || !GetFileSizeEx(handle.get(), &size))
            return nullptr;
        return std::make_unique<Win32File>(std::move(handle), static_cast<uint64_t>(size.QuadPart));
    }

    size_t OpenFileBudget() const override { return 256; }

private:
    static std::string ReadShortcutTarget(const std::string& path)
    {
        ComPtr<IShellLinkW> link;
        if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
            return {};
        ComPtr<IPersistFile> file;
        if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())))
            return {};
        if (FAILED(file->Load(Utf8ToWide(path).c_str(), STGM_READ)))
            return {};
        std::vector<wchar_t> target(32768);
        // A network target comes in its UNC form.
        if (link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, SLGP_UNCPRIORITY) != S_OK)
            return {};
        return WideToUtf8(target.data());
    }
};

}  // namespace

const FileSystem& PlatformFileSystem()
{
    static const Win32FileSystem fileSystem;
    return fileSystem;
}

}  // namespace twinsweep
