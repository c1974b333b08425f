#include "setup/Installer.h"

#include "setup/SetupReport.h"
#include "win32/Handles.h"
#include "win32/ModuleFile.h"
#include "win32/Registry.h"

namespace twinsweep {
namespace {

const wchar_t kDisplayName[] = L"Twinsweep 1.0";
const wchar_t kDisplayVersion[] = L"1.0";
const wchar_t kPublisher[] = L"Mirelon Software";
const wchar_t kExtensionFile[] = L"Vexil.dll";

// The files of the download, for the size that Apps and Features shows.
const wchar_t* const kProgramFiles[] = {L"Twinsweep.exe", L"Vexil.dll", L"Help\\SweepHelp.chm",
                                        L"twinsweep-cli.exe", L"ReadMe.txt"};

// In KiB, rounded up, as the entry's "EstimatedSize" takes it.
DWORD SizeOfProgramFiles(const std::wstring& folder)
{
    ULONGLONG bytes = 0;
    for (const wchar_t* name : kProgramFiles) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW((folder + name).c_str(), GetFileExInfoStandard, &data))
            bytes += (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    return static_cast<DWORD>((bytes + 1023) / 1024);
}

}  // namespace

const wchar_t kUninstallEntryKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Twinsweep{5E0A3C71-9B24-4F6D-8C13-7A2B64D9E0F5}";

// The path is quoted: unquoted, a path with blanks would let the system run
// C:\Program.exe in its place, with the uninstaller's rights.
HRESULT WriteUninstallEntry()
{
    RegistryKey entry;
    if (!entry.Create(HKEY_LOCAL_MACHINE, kUninstallEntryKey, KEY_WRITE))
        return E_ACCESSDENIED;
    const std::wstring program = ModuleFileName(nullptr);
    const std::wstring folder = FolderOf(program);
    return StepResult(entry.SetString(L"DisplayName", kDisplayName) &&
           entry.SetString(L"UninstallString", L"\"" + program + L"\" /U") &&
           entry.SetString(L"DisplayIcon", program + L",0") && entry.SetString(L"DisplayVersion", kDisplayVersion) &&
           entry.SetString(L"Publisher", kPublisher) && entry.SetString(L"InstallLocation", folder) &&
           entry.SetDword(L"EstimatedSize", SizeOfProgramFiles(folder)) && entry.SetDword(L"NoModify", 1) &&
           entry.SetDword(L"NoRepair", 1));
}

HRESULT DeleteUninstallEntry()
{
    return StepResult(RegistryKey::DeleteTree(HKEY_LOCAL_MACHINE, kUninstallEntryKey));
}

// By its full path in the program's own folder: a Vexil.dll planted in the
// current folder or on PATH must never run with the installer's rights.
HRESULT RegisterShellExtension(bool registerIt)
{
    std::wstring folder = FolderOf(ModuleFileName(nullptr));
    if (folder.empty())
        return kShellExtensionMissing;
    std::wstring path = folder + kExtensionFile;
    UniqueModule library(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!library)
        return kShellExtensionMissing;
    using Export = HRESULT(STDAPICALLTYPE*)();
    auto call = reinterpret_cast<Export>(reinterpret_cast<void*>(
        GetProcAddress(library.get(), registerIt ? "DllRegisterServer" : "DllUnregisterServer")));
    if (!call)
        return kShellExtensionMissing;
    return call();
}

}  // namespace twinsweep
