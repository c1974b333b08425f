#include "setup/Shortcuts.h"

#include <objidl.h>
#include <shlobj.h>

#include "setup/SetupReport.h"
#include "win32/Handles.h"
#include "win32/ModuleFile.h"

namespace twinsweep {
namespace {

const wchar_t kShortcutName[] = L"Twinsweep.lnk";
const wchar_t kShortcutDescription[] = L"Twinsweep";

std::wstring InFolder(const std::wstring& folder, const std::wstring& name)
{
    if (!folder.empty() && folder.back() != L'\\')
        return folder + L'\\' + name;
    return folder + name;
}

bool SameFile(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

}  // namespace

HRESULT GetSpecialFolderPath(HWND owner, int folder, HANDLE token, DWORD flags, std::wstring& path)
{
    wchar_t buffer[MAX_PATH] = {};
    HRESULT result = SHGetFolderPathW(owner, folder, token, flags, buffer);
    path = SUCCEEDED(result) ? buffer : L"";
    return result;
}

HRESULT CreateShortcut(int folder)
{
    std::wstring shellFolder;
    HRESULT result = GetSpecialFolderPath(nullptr, folder, nullptr, 0, shellFolder);
    ComPtr<IShellLinkW> link;
    if (SUCCEEDED(result))
        result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void());
    const std::wstring program = ModuleFileName(nullptr);
    if (SUCCEEDED(result))
        result = link->SetPath(program.c_str());
    if (SUCCEEDED(result))
        result = link->SetIconLocation(program.c_str(), 0);
    if (SUCCEEDED(result))
        result = link->SetDescription(kShortcutDescription);
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(result))
        result = link->QueryInterface(IID_IPersistFile, file.put_void());
    if (SUCCEEDED(result))
        result = file->Save(InFolder(shellFolder, kShortcutName).c_str(), TRUE);
    return result;
}

std::wstring ShortcutTarget(const std::wstring& shortcutPath)
{
    ComPtr<IShellLinkW> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW, link.put_void())))
        return {};
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, file.put_void())) ||
        FAILED(file->Load(shortcutPath.c_str(), STGM_READ)))
        return {};
    // The item id list first: it holds the target's names in UTF-16, where the
    // path form may be spelt in the ANSI code page, with "?" for what that
    // cannot spell.
    std::wstring target(32768, L'\0');
    UniqueCoTaskMemory<PIDLIST_ABSOLUTE> ids;
    PIDLIST_ABSOLUTE raw = nullptr;
    if (link->GetIDList(&raw) == S_OK) {
        ids.reset(raw);
        if (SHGetPathFromIDListEx(ids.get(), target.data(), static_cast<DWORD>(target.size()), GPFIDL_DEFAULT)) {
            target.resize(wcslen(target.c_str()));
            return target;
        }
    }
    if (link->GetPath(target.data(), static_cast<int>(target.size()), nullptr, SLGP_UNCPRIORITY) != S_OK)
        return {};
    target.resize(wcslen(target.c_str()));
    return target;
}

HRESULT RemoveShortcutTo(const std::wstring& folder, const std::wstring& program)
{
    WIN32_FIND_DATAW found;
    UniqueFindHandle find(FindFirstFileW(InFolder(folder, L"*.lnk").c_str(), &found));
    if (!find)
        return S_OK;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::wstring shortcut = InFolder(folder, found.cFileName);
        if (SameFile(ShortcutTarget(shortcut), program))
            return DeleteFileW(shortcut.c_str()) ? S_OK : LastErrorResult();
    } while (FindNextFileW(find.get(), &found));
    return S_OK;
}

}  // namespace twinsweep
