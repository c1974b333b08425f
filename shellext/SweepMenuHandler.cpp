#include "shellext/SweepMenuHandler.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "shellext/Guarded.h"
#include "shellext/Module.h"
#include "shellext/resource.h"
#include "win32/Handoff.h"
#include "win32/ModuleFile.h"

namespace twinsweep {
namespace {

constexpr wchar_t kMenuText[] = L"&Twinsweep";
constexpr wchar_t kProgramFile[] = L"Twinsweep.exe";
// The verbs GetCommandString hands out; a caller may give either back, in
// either character set, and the shell compares verbs without regard to case.
constexpr char kVerbA[] = "Twinsweep GCS_VERBA";
constexpr wchar_t kVerbW[] = L"Twinsweep GCS_VERBW";
constexpr char kHelpTextA[] = "Twinsweep";
constexpr wchar_t kHelpTextW[] = L"Twinsweep";

bool IsOurVerb(const char* verb)
{
    return lstrcmpiA(verb, kVerbA) == 0 || lstrcmpiA(verb, "Twinsweep GCS_VERBW") == 0;
}

bool IsOurVerb(const wchar_t* verb)
{
    return lstrcmpiW(verb, kVerbW) == 0 || lstrcmpiW(verb, L"Twinsweep GCS_VERBA") == 0;
}

// The command is named by its offset, 0 being the one item this menu adds, or
// by a verb; a caller that sets CMIC_MASK_UNICODE names it in lpVerbW.
bool NamesOurCommand(const CMINVOKECOMMANDINFO& info)
{
    if (info.cbSize >= sizeof(CMINVOKECOMMANDINFOEX) && (info.fMask & CMIC_MASK_UNICODE)) {
        const auto& wide = reinterpret_cast<const CMINVOKECOMMANDINFOEX&>(info);
        if (IS_INTRESOURCE(wide.lpVerbW))
            return reinterpret_cast<UINT_PTR>(wide.lpVerbW) == 0;
        return IsOurVerb(wide.lpVerbW);
    }
    if (IS_INTRESOURCE(info.lpVerb))
        return reinterpret_cast<UINT_PTR>(info.lpVerb) == 0;
    return IsOurVerb(info.lpVerb);
}

// Every name of a drop handle, whole: its length is asked first, so neither a
// long path nor one outside the ANSI code page is cut or changed.
std::vector<std::wstring> DroppedNames(HDROP drop)
{
    std::vector<std::wstring> names;
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT index = 0; index < count; ++index) {
        const UINT length = DragQueryFileW(drop, index, nullptr, 0);
        if (length == 0)
            continue;
        std::wstring name(length + 1, L'\0');
        name.resize(DragQueryFileW(drop, index, name.data(), length + 1));
        names.push_back(std::move(name));
    }
    return names;
}

// As much of the text as fits, always with its terminating zero.
template <typename Char>
void CopyBounded(const Char* text, Char* buffer, UINT bufferLength)
{
    if (!buffer || bufferLength == 0)
        return;
    UINT length = 0;
    for (; length + 1 < bufferLength && text[length]; ++length)
        buffer[length] = text[length];
    buffer[length] = 0;
}

// Starts the program as its own process, without arguments, and leaves it to run.
// The application path is also the command line's first word, quoted, so that a
// folder with blanks in its name is not read as arguments.
void StartProgram(const std::wstring& program)
{
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    std::wstring commandLine = L"\"" + program + L"\"";
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                       nullptr, &startup, &process)) {
        UniqueHandle thread(process.hThread);
        UniqueHandle started(process.hProcess);
    }
}

}  // namespace

SweepMenuHandler::SweepMenuHandler()
{
    LockModule();
}

SweepMenuHandler::~SweepMenuHandler()
{
    UnlockModule();
}

IFACEMETHODIMP SweepMenuHandler::QueryInterface(REFIID iid, void** out)
{
    // IUnknown is answered with the first line's interface.
    static const QITAB interfaces[] = {
        {&IID_IShellExtInit, static_cast<int>(OFFSETOFCLASS(IShellExtInit, SweepMenuHandler))},
        {&IID_IContextMenu, static_cast<int>(OFFSETOFCLASS(IContextMenu, SweepMenuHandler))},
        {nullptr, 0},
    };
    return QISearch(this, interfaces, iid, out);
}

IFACEMETHODIMP_(ULONG) SweepMenuHandler::AddRef()
{
    return ++m_references;
}

IFACEMETHODIMP_(ULONG) SweepMenuHandler::Release()
{
    const ULONG left = --m_references;
    if (left == 0)
        delete this;
    return left;
}

IFACEMETHODIMP SweepMenuHandler::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY)
{
    return Guarded([&] {
        FolderList.clear();
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        StorageMedium medium;
        if (data && SUCCEEDED(data->GetData(&format, medium.put())))
            FolderList = DroppedNames(static_cast<HDROP>(medium.global()));
        return S_OK;
    });
}

IFACEMETHODIMP SweepMenuHandler::QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT, UINT flags)
{
    if (flags & CMF_DEFAULTONLY)
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    if (!InsertMenuW(menu, indexMenu, MF_BYPOSITION | MF_STRING, idCmdFirst, kMenuText))
        return HRESULT_FROM_WIN32(GetLastError());
    if (!m_menuImage)
        m_menuImage.reset(LoadBitmapW(ModuleInstance(), MAKEINTRESOURCEW(IDB_MENU_IMAGE)));
    SetMenuItemBitmaps(menu, indexMenu, MF_BYPOSITION, m_menuImage.get(), m_menuImage.get());
    // One command identifier used.
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
}

// The item is the only command, offset 0; a verb string names none of ours.
IFACEMETHODIMP SweepMenuHandler::InvokeCommand(CMINVOKECOMMANDINFO* info)
{
    if (!info)
        return E_INVALIDARG;
    if (!NamesOurCommand(*info))
        return E_FAIL;
    return Guarded([&] { return HandOverFolders(); });
}

// When the key cannot be written the program is not started: it would open
// without the folders the user chose.
HRESULT SweepMenuHandler::HandOverFolders() const
{
    const std::wstring library = ModuleFileName(ModuleInstance());
    if (library.empty())
        return E_FAIL;
    if (handoff::Write(FolderList))
        StartProgram(FolderOf(library) + kProgramFile);
    return S_OK;
}

IFACEMETHODIMP SweepMenuHandler::GetCommandString(UINT_PTR idCmd, UINT type, UINT*, CHAR* buffer,
                                                  UINT bufferLength)
{
    if (type == GCS_VALIDATEA || type == GCS_VALIDATEW)
        return idCmd == 0 ? S_OK : S_FALSE;
    if (idCmd != 0)
        return E_INVALIDARG;
    auto wide = reinterpret_cast<WCHAR*>(buffer);
    switch (type) {
    case GCS_VERBA:
        CopyBounded(kVerbA, buffer, bufferLength);
        return S_OK;
    case GCS_HELPTEXTA:
        CopyBounded(kHelpTextA, buffer, bufferLength);
        return S_OK;
    case GCS_VERBW:
        CopyBounded(kVerbW, wide, bufferLength);
        return S_OK;
    case GCS_HELPTEXTW:
        CopyBounded(kHelpTextW, wide, bufferLength);
        return S_OK;
    default:
        return E_INVALIDARG;
    }
}

}  // namespace twinsweep
