// The file-system seam on the wide Win32 API: names outside the ANSI code page are
// found, opened and shown, and paths longer than MAX_PATH go through the "\\?\" form.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <algorithm>
#include <thread>
#include <unordered_map>
#include <vector>

#include <winternl.h>

#include "platform/FileSystem.h"
#include "win32/Handles.h"
#include "win32/Utf16.h"

// Declared by the driver kit's headers only.
extern "C" NTSTATUS NTAPI NtQueryFullAttributesFile(POBJECT_ATTRIBUTES attributes,
                                                    PFILE_NETWORK_OPEN_INFORMATION information);

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

uint64_t Join(DWORD high, DWORD low)
{
    return (uint64_t{high} << 32) | low;
}

// A file index of 0 means the file system keeps none (some network shares): such a
// file cannot be told apart from another by identity.
std::optional<FileIdentity> IdentityOf(uint32_t volume, uint64_t index)
{
    if (index == 0)
        return std::nullopt;
    return FileIdentity{volume, index};
}

// Asks the volume too, which costs several opens on some systems (under Wine):
// kept for folders, and for files only where nothing cheaper answers.
std::optional<BY_HANDLE_FILE_INFORMATION> InformationOf(HANDLE handle)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle, &info))
        return std::nullopt;
    return info;
}

std::optional<FileIdentity> IdentityOf(HANDLE handle)
{
    std::optional<BY_HANDLE_FILE_INFORMATION> info = InformationOf(handle);
    if (!info)
        return std::nullopt;
    return IdentityOf(info->dwVolumeSerialNumber, Join(info->nFileIndexHigh, info->nFileIndexLow));
}

FileStamp StampOf(uint64_t index, const FILE_NETWORK_OPEN_INFORMATION& info)
{
    return FileStamp{index, static_cast<uint64_t>(info.EndOfFile.QuadPart), info.LastWriteTime.QuadPart,
                     info.ChangeTime.QuadPart};
}

// The stamp of an open file, without the volume, from classes that the open
// handle answers alone: under Wine the one class that gives sizes and times
// together asks the server for the file's name and looks it up again.
std::optional<FileStamp> StampOf(HANDLE handle)
{
    IO_STATUS_BLOCK status;
    FILE_STANDARD_INFORMATION sizes;
    FILE_BASIC_INFORMATION times;
    FILE_INTERNAL_INFORMATION internal;
    if (NtQueryInformationFile(handle, &status, &sizes, sizeof sizes, FileStandardInformation) < 0 ||
        NtQueryInformationFile(handle, &status, &times, sizeof times, FileBasicInformation) < 0 ||
        NtQueryInformationFile(handle, &status, &internal, sizeof internal, FileInternalInformation) < 0)
        return std::nullopt;
    return FileStamp{static_cast<uint64_t>(internal.IndexNumber.QuadPart),
                     static_cast<uint64_t>(sizes.EndOfFile.QuadPart), times.LastWriteTime.QuadPart,
                     times.ChangeTime.QuadPart};
}

// Sizes and times of what a path leads to, looked up without opening it: an
// open costs three round trips to Wine's server, this lookup none. A link is
// described itself, not what it leads to. Nothing where the lookup fails for
// any reason: the callers then open the path, which tells why.
std::optional<FILE_NETWORK_OPEN_INFORMATION> LookUp(const std::string& path)
{
    std::wstring wide = ApiPath(path);
    UNICODE_STRING ntPath;
    if (!RtlDosPathNameToNtPathName_U(wide.c_str(), &ntPath, nullptr, nullptr))
        return std::nullopt;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &ntPath, OBJ_CASE_INSENSITIVE, nullptr, nullptr);
    FILE_NETWORK_OPEN_INFORMATION info;
    NTSTATUS status = NtQueryFullAttributesFile(&attributes, &info);
    RtlFreeUnicodeString(&ntPath);
    if (status < 0)
        return std::nullopt;
    return info;
}

// Without FILE_FLAG_BACKUP_SEMANTICS in flags, a folder does not open.
HANDLE OpenAttributes(const std::string& path, DWORD flags)
{
    return CreateFileW(ApiPath(path).c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, flags, nullptr);
}

HANDLE OpenForListing(const std::string& path)
{
    return CreateFileW(ApiPath(path).c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Opens a name inside an open folder: the system looks up that one name, not
// every folder on the way from the drive again. Links are followed and case is
// ignored, as through a path. The access and sharing are those the path APIs
// would ask for.
HANDLE OpenInFolder(HANDLE folder, const std::string& name, ACCESS_MASK access, ULONG options)
{
    std::wstring wide = Utf8ToWide(name);
    constexpr size_t kLongestName = UNICODE_STRING_MAX_CHARS;
    if (wide.size() > kLongestName)
        return INVALID_HANDLE_VALUE;
    UNICODE_STRING unicodeName;
    unicodeName.Buffer = wide.data();
    unicodeName.Length = unicodeName.MaximumLength = static_cast<USHORT>(wide.size() * sizeof(wchar_t));
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &unicodeName, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK status;
    HANDLE handle = nullptr;
    if (NtOpenFile(&handle, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &attributes, &status,
                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, options | FILE_SYNCHRONOUS_IO_NONALERT) < 0)
        return INVALID_HANDLE_VALUE;
    return handle;
}

std::string LastName(const std::string& path)
{
    return path.substr(path.find_last_of("\\/") + 1);
}

// The listing asks the folder for every entry's file number, which costs no more
// than the plain listing: so the walk knows a file reached by two paths (a hard
// link) without a call per file. Masks other than "*" go to the system's own
// matching, 8.3 names included, and are joined to the listing by name.
class Win32FolderListing : public FolderListing {
public:
    Win32FolderListing(std::string path, HANDLE folder) : m_path(std::move(path)), m_folder(folder) {}

    // False when the folder cannot be listed at all; an empty folder can.
    bool ListAll()
    {
        if (!m_folder)
            return false;
        // 8-byte aligned, as the entries are.
        std::vector<uint64_t> buffer(8192);
        const auto bufferBytes = static_cast<DWORD>(buffer.size() * sizeof buffer[0]);
        FILE_INFO_BY_HANDLE_CLASS part = FileIdBothDirectoryRestartInfo;
        while (GetFileInformationByHandleEx(m_folder.get(), part, buffer.data(), bufferBytes)) {
            part = FileIdBothDirectoryInfo;
            auto* bytes = reinterpret_cast<const char*>(buffer.data());
            for (;;) {
                const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(bytes);
                Add(*entry);
                if (entry->NextEntryOffset == 0)
                    break;
                bytes += entry->NextEntryOffset;
            }
        }
        if (GetLastError() != ERROR_NO_MORE_FILES)
            return false;
        MarkRepeatedNames();
        return true;
    }

    void Find(const std::string& mask, FolderEntries& entries) override
    {
        if (MatchesEveryName(mask)) {
            entries.Append(m_all);
            return;
        }
        Search(mask, entries);
    }

    std::optional<FileIdentity> Identity() const override { return IdentityOf(m_folder.get()); }

    HANDLE Handle() const { return m_folder.get(); }

private:
    void Add(const FILE_ID_BOTH_DIR_INFO& info)
    {
        std::wstring_view name(info.FileName, info.FileNameLength / sizeof(WCHAR));
        if (name == L"." || name == L"..")
            return;
        const std::string utf8 = WideToUtf8(name);
        FolderEntry entry;
        entry.name = utf8;
        // A path drops a trailing dot or space of its last name: it would open
        // another file, or none, and the shell would delete another one.
        entry.unopenable = name.back() == L'.' || name.back() == L' ';
        entry.isFolder = (info.FileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        entry.isLink = (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (!entry.isFolder) {
            entry.size = static_cast<uint64_t>(info.EndOfFile.QuadPart);
            entry.index = static_cast<uint64_t>(info.FileId.QuadPart);
            // A file link lists itself, not what it leads to: that file is asked for
            // its own identity and size. A link that leads nowhere is no file.
            if (entry.isLink && !DescribeTarget(entry))
                return;
        }
        m_all.Add(entry);
    }

    // Wine lists each byte of a Linux name that is not UTF-8 as U+FFFD, so names
    // that differ only there are listed alike, and all open one of the files.
    void MarkRepeatedNames()
    {
        std::unordered_map<std::string_view, size_t> first;
        for (size_t i = 0; i < m_all.Size(); ++i) {
            const std::string_view name = m_all[i].name;
            if (name.find("\xEF\xBF\xBD") == std::string_view::npos)
                continue;
            auto [known, added] = first.emplace(name, i);
            if (!added) {
                m_all.MarkUnopenable(known->second);
                m_all.MarkUnopenable(i);
            }
        }
    }

    bool DescribeTarget(FolderEntry& entry) const
    {
        UniqueHandle target(OpenInFolder(m_folder.get(), std::string(entry.name), 0, FILE_NON_DIRECTORY_FILE));
        std::optional<BY_HANDLE_FILE_INFORMATION> info = target ? InformationOf(target.get()) : std::nullopt;
        if (!info)
            return false;
        entry.size = Join(info->nFileSizeHigh, info->nFileSizeLow);
        entry.identity = IdentityOf(info->dwVolumeSerialNumber, Join(info->nFileIndexHigh, info->nFileIndexLow));
        entry.index = 0;
        return true;
    }

    void Search(const std::string& mask, FolderEntries& entries)
    {
        // Built for the first narrower mask only: most walks ask for every name.
        if (m_byName.empty()) {
            for (size_t i = 0; i < m_all.Size(); ++i)
                m_byName.emplace(m_all[i].name, i);
        }
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(FindFirstFileExW(ChildPattern(m_path, mask).c_str(), FindExInfoBasic, &data,
                                               FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find)
            return;
        do {
            // A name that came after the listing waits for the next search.
            auto listed = m_byName.find(WideToUtf8(data.cFileName));
            if (listed != m_byName.end())
                entries.Add(m_all[listed->second]);
        } while (FindNextFileW(find.get(), &data));
    }

    std::string m_path;
    UniqueHandle m_folder;
    FolderEntries m_all;
    std::unordered_map<std::string_view, size_t> m_byName;  // names in m_all
};

class Win32File : public ReadableFile {
public:
    Win32File(UniqueHandle handle, const FileStamp& stamp) : m_handle(std::move(handle)), m_stamp(stamp) {}

    const FileStamp& Stamp() const override { return m_stamp; }

    // A plain read of the next bytes is one cheap call; a read at an offset
    // (ReadFile with an OVERLAPPED position) costs a round trip more under Wine.
    // The comparison reads most files block after block, so only a jump moves
    // the file pointer first.
    std::optional<size_t> ReadAt(uint64_t offset, void* buffer, size_t count) override
    {
        if (offset != m_position && !MovePointer(offset))
            return std::nullopt;
        size_t done = 0;
        while (done < count) {
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(count - done, 1u << 30));
            DWORD got = 0;
            if (!ReadFile(m_handle.get(), static_cast<char*>(buffer) + done, chunk, &got, nullptr)) {
                m_position = kUnknownPosition;
                return std::nullopt;
            }
            if (got == 0)
                break;
            done += got;
            m_position += got;
            // A short read that ends where the open found the end is the end: asking
            // again costs a call that reads nothing, once for every file read whole.
            // A file grown since has another stamp, which the comparison's last look
            // at the path sees.
            if (done < count && offset + done == m_stamp.size)
                break;
        }
        return done;
    }

private:
    static constexpr uint64_t kUnknownPosition = UINT64_MAX;

    bool MovePointer(uint64_t offset)
    {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(offset);
        if (!SetFilePointerEx(m_handle.get(), to, nullptr, FILE_BEGIN)) {
            m_position = kUnknownPosition;
            return false;
        }
        m_position = offset;
        return true;
    }

    UniqueHandle m_handle;
    FileStamp m_stamp;
    uint64_t m_position = 0;  // where the file pointer stands
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
        // Opening it for listing tells as much as listing it, at the cost of one call.
        return UniqueHandle(OpenForListing(path)).valid();
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
        return List(path, OpenForListing(path));
    }

    // parent is a listing of this file system.
    std::unique_ptr<FolderListing> OpenSubfolder(const FolderListing& parent, const std::string& path) const override
    {
        HANDLE parentFolder = static_cast<const Win32FolderListing&>(parent).Handle();
        return List(path, OpenInFolder(parentFolder, LastName(path), FILE_LIST_DIRECTORY,
                                       FILE_DIRECTORY_FILE | FILE_OPEN_FOR_BACKUP_INTENT));
    }

    std::optional<FileIdentity> FolderIdentity(const std::string& path) const override
    {
        UniqueHandle folder(OpenAttributes(path, FILE_FLAG_BACKUP_SEMANTICS));
        if (!folder)
            return std::nullopt;
        return IdentityOf(folder.get());
    }

    OpenResult OpenForReading(const std::string& path) const override
    {
        UniqueHandle handle(CreateFileW(ApiPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!handle)
            return {nullptr, GetLastError() == ERROR_TOO_MANY_OPEN_FILES};
        std::optional<FileStamp> stamp = StampOf(handle.get());
        if (!stamp)
            return {};
        return {std::make_unique<Win32File>(std::move(handle), *stamp)};
    }

    std::optional<FileStamp> StateOf(const std::string& path) const override
    {
        UniqueHandle file(OpenAttributes(path, 0));
        if (!file)
            return std::nullopt;
        return StampOf(file.get());
    }

    // Also the end-of-comparison look at each equal file, whose number is then
    // not looked up: a file moved or linked to that path since has a change time
    // of its own, later than the stamp's.
    std::optional<FileStamp> StateOfListed(const std::string& path, uint64_t listedIndex) const override
    {
        if (listedIndex == 0)
            return StateOf(path);
        std::optional<FILE_NETWORK_OPEN_INFORMATION> info = LookUp(path);
        if (!info || (info->FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return StateOf(path);
        if (info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return std::nullopt;
        return StampOf(listedIndex, *info);
    }

    // Handles are not scarce on Windows; this keeps what one search holds modest.
    size_t OpenFileBudget() const override { return 1024; }

    // An open or a listing waits on the system more than on the processor (under
    // Wine, on round trips to its server): one thread more than the cores keeps
    // them busy while another thread waits.
    size_t ReadingThreads() const override
    {
        return std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 4) + 1;
    }

private:
    static std::unique_ptr<FolderListing> List(const std::string& path, HANDLE folder)
    {
        auto listing = std::make_unique<Win32FolderListing>(path, folder);
        if (!listing->ListAll())
            return nullptr;
        return listing;
    }

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
