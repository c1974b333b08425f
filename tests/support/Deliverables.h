// What the tests of the two deliverables share: where the built files lie, the
// system's regsvr32, the identities the library must carry, and Twinsweep.exe
// running in a process of its own, driven through its windows as a user would.
#pragma once

#include <windows.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "win32/Handles.h"

namespace twinsweep::test {

inline constexpr wchar_t kClsidText[] = L"{8D41F2A6-3C7E-4B95-A0D2-6E19C47B53F8}";
inline constexpr CLSID kClsid = {0x8D41F2A6, 0x3C7E, 0x4B95, {0xA0, 0xD2, 0x6E, 0x19, 0xC4, 0x7B, 0x53, 0xF8}};
inline constexpr wchar_t kLibidText[] = L"{2A6E9C14-F5B3-47D8-9C01-D34B8E72A65C}";
inline constexpr GUID kLibid = {0x2A6E9C14, 0xF5B3, 0x47D8, {0x9C, 0x01, 0xD3, 0x4B, 0x8E, 0x72, 0xA6, 0x5C}};
inline constexpr IID kInterfaceIid = {0x6C3B9E07, 0x2D4F, 0x4A81, {0xB5, 0xE2, 0x93, 0xF0, 0x7D, 0x1C, 0x8A, 0x46}};

// The build puts Twinsweep.exe and Vexil.dll in the folder above the tests.
std::wstring VexilPath();
std::wstring ProgramPath();

// The prefix's own regsvr32 run on a library, e.g. with L"/s" or L"/u /s": its
// exit code, or a failure code when it did not run to its end.
DWORD Regsvr32(const std::wstring& switches, const std::wstring& library = VexilPath());

template <typename Done>
bool WaitUntil(Done done, std::chrono::milliseconds limit = std::chrono::seconds(30))
{
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

// A program started here; ended if it still runs when the object goes.
class ProgramProcess {
public:
    ProgramProcess(const std::wstring& program, const std::wstring& arguments);
    ~ProgramProcess();
    ProgramProcess(const ProgramProcess&) = delete;
    ProgramProcess& operator=(const ProgramProcess&) = delete;

    bool Started() const { return m_process.valid(); }
    DWORD Id() const { return m_id; }
    // A top-level window of the process with this class ("#32770" for dialogs and
    // message boxes) and caption, once it shows; null when none comes in time.
    HWND WaitForWindow(const wchar_t* className, const wchar_t* caption) const;
    // The process's exit code, or nothing when it has not ended in time.
    bool WaitForExit(DWORD& exitCode, DWORD milliseconds = 60000) const;

private:
    UniqueHandle m_process;
    DWORD m_id = 0;
};

// The text of a message box, as the user reads it.
std::wstring MessageBoxText(HWND box);
// Clicks a button of a dialog (or a message box) of another process.
void PressButton(HWND dialog, int id);

// The Twinsweep.exe window that appears after it is made, seen from here. At the
// end it is closed as a user closes it, or ended when it will not go: a program
// left running would hold the test run's output open.
class StartedProgram {
public:
    StartedProgram();
    ~StartedProgram();
    StartedProgram(const StartedProgram&) = delete;
    StartedProgram& operator=(const StartedProgram&) = delete;

    // The lines of its folder list once it shows at least `count`, read through a
    // buffer in the program's memory, where its list view reads and writes the
    // item record; empty when no such window appears in time.
    std::vector<std::wstring> WaitForFolderList(size_t count);

private:
    HWND NewWindow() const;

    std::vector<HWND> m_before;
    HWND m_window = nullptr;
};

}  // namespace twinsweep::test
