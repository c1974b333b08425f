#include "tests/support/Deliverables.h"

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "resources/resource.h"
#include "win32/Handles.h"
#include "win32/ModuleFile.h"

namespace twinsweep::test {
namespace {

constexpr DWORD kProcessWait = 60000;

std::wstring ClassName(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process;
}

// Callbacks, not lambdas: the 32-bit build needs them stdcall.
BOOL CALLBACK CollectProgramWindow(HWND window, LPARAM found)
{
    if (ClassName(window) == L"TwinsweepFrame" && ProcessOf(window) != GetCurrentProcessId())
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

BOOL CALLBACK FindFolderList(HWND child, LPARAM found)
{
    if (GetDlgCtrlID(child) != IDC_FOLDER_LIST || ClassName(child) != WC_LISTVIEWW)
        return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

struct WindowSearch {
    DWORD process;
    const wchar_t* className;
    const wchar_t* caption;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<WindowSearch*>(data);
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    if (ProcessOf(window) != search.process || ClassName(window) != search.className ||
        std::wstring(text) != search.caption || !IsWindowVisible(window))
        return TRUE;
    search.found = window;
    return FALSE;
}

// The main windows of Twinsweep.exe processes other than this one.
std::vector<HWND> ProgramWindows()
{
    std::vector<HWND> windows;
    EnumWindows(CollectProgramWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND FolderListOf(HWND frame)
{
    HWND list = nullptr;
    EnumChildWindows(frame, FindFolderList, reinterpret_cast<LPARAM>(&list));
    return list;
}

std::vector<std::wstring> RemoteListViewTexts(HWND list)
{
    constexpr size_t kTextChars = 4096;
    std::vector<std::wstring> texts;
    UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, ProcessOf(list)));
    auto* remote = static_cast<BYTE*>(VirtualAllocEx(process.get(), nullptr, sizeof(LVITEMW) + kTextChars * 2,
                                                     MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote)
        return texts;
    const LRESULT count = SendMessageW(list, LVM_GETITEMCOUNT, 0, 0);
    for (LRESULT index = 0; index < count; ++index) {
        LVITEMW item{};
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
        item.cchTextMax = kTextChars;
        WriteProcessMemory(process.get(), remote, &item, sizeof item, nullptr);
        std::wstring text(kTextChars, L'\0');
        text.resize(static_cast<size_t>(SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(index),
                                                     reinterpret_cast<LPARAM>(remote))));
        ReadProcessMemory(process.get(), item.pszText, text.data(), text.size() * sizeof(wchar_t), nullptr);
        texts.push_back(std::move(text));
    }
    VirtualFreeEx(process.get(), remote, 0, MEM_RELEASE);
    return texts;
}

std::wstring BuildFolder()
{
    const std::wstring tests = FolderOf(ModuleFileName(nullptr));
    return FolderOf(tests.substr(0, tests.size() - 1));
}

}  // namespace

std::wstring VexilPath()
{
    return BuildFolder() + L"Vexil.dll";
}

std::wstring ProgramPath()
{
    return BuildFolder() + L"Twinsweep.exe";
}

DWORD Regsvr32(const std::wstring& switches, const std::wstring& library)
{
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring program = std::wstring(system) + L"\\regsvr32.exe";
    std::wstring commandLine = L"\"" + program + L"\" " + switches + L" \"" + library + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return GetLastError();
    UniqueHandle thread(info.hThread), process(info.hProcess);
    DWORD exitCode = ERROR_TIMEOUT;
    if (WaitForSingleObject(process.get(), kProcessWait) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.get(), &exitCode);
    return exitCode;
}

ProgramProcess::ProgramProcess(const std::wstring& program, const std::wstring& arguments)
{
    std::wstring commandLine = L"\"" + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &info))
        return;
    CloseHandle(info.hThread);
    m_process.reset(info.hProcess);
    m_id = info.dwProcessId;
}

ProgramProcess::~ProgramProcess()
{
    if (m_process && WaitForSingleObject(m_process.get(), 0) != WAIT_OBJECT_0) {
        TerminateProcess(m_process.get(), 1);
        WaitForSingleObject(m_process.get(), kProcessWait);
    }
}

HWND ProgramProcess::WaitForWindow(const wchar_t* className, const wchar_t* caption) const
{
    WindowSearch search{m_id, className, caption, nullptr};
    WaitUntil([&] {
        EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
    });
    return search.found;
}

bool ProgramProcess::WaitForExit(DWORD& exitCode, DWORD milliseconds) const
{
    if (!m_process || WaitForSingleObject(m_process.get(), milliseconds) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(m_process.get(), &exitCode) != FALSE;
}

std::wstring MessageBoxText(HWND box)
{
    // The message is the box's static text of id 0xFFFF.
    wchar_t text[1024] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 1024);
    return text;
}

void PressButton(HWND dialog, int id)
{
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

StartedProgram::StartedProgram() : m_before(ProgramWindows()) {}

HWND StartedProgram::NewWindow() const
{
    for (HWND window : ProgramWindows()) {
        if (std::find(m_before.begin(), m_before.end(), window) == m_before.end())
            return window;
    }
    return nullptr;
}

std::vector<std::wstring> StartedProgram::WaitForFolderList(size_t count)
{
    std::vector<std::wstring> texts;
    WaitUntil(
        [&] {
            m_window = m_window ? m_window : NewWindow();
            HWND list = m_window ? FolderListOf(m_window) : nullptr;
            texts = list ? RemoteListViewTexts(list) : std::vector<std::wstring>();
            return texts.size() >= count;
        },
        std::chrono::seconds(30));
    return texts;
}

StartedProgram::~StartedProgram()
{
    HWND window = m_window;
    if (!window && !WaitUntil([&] { return (window = NewWindow()) != nullptr; }, std::chrono::seconds(10)))
        return;
    UniqueHandle process(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, ProcessOf(window)));
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (process && WaitForSingleObject(process.get(), kProcessWait) != WAIT_OBJECT_0)
        TerminateProcess(process.get(), 1);
}

}  // namespace twinsweep::test
