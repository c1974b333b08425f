// The program's two ways out to the user and the shell: message boxes and shell
// launches. Each goes through one function that a test can redirect, so that
// nothing blocks on a dialog and no program is started.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace twinsweep {

// Every message box has the caption "Twinsweep"; the default is an OK button with
// the warning icon. Returns the button pressed (IDOK, IDYES...).
int ShowMessageBox(HWND owner, const std::wstring& text, UINT type = MB_OK | MB_ICONWARNING);
int ShowMessageBox(HWND owner, UINT stringId, UINT type = MB_OK | MB_ICONWARNING);

struct ShellLaunch {
    HWND owner = nullptr;
    std::wstring verb;  // empty for the default action
    std::wstring file;
    std::wstring parameters;
    std::wstring directory;
    int show = SW_SHOWNORMAL;
    bool invokeIdList = false;  // for the "properties" verb
    bool noErrorUi = false;     // the caller reports a failure itself
};

// Asks the shell to carry out a verb on a file; false when it could not.
bool LaunchShell(const ShellLaunch& launch);
// The usual launch: a verb on a file, no parameters, no owner.
bool LaunchShell(const std::wstring& verb, const std::wstring& file, int show = SW_SHOWNORMAL);

using MessageBoxHandler = std::function<int(HWND owner, const std::wstring& text, UINT type)>;
using ShellLaunchHandler = std::function<bool(const ShellLaunch& launch)>;
// For tests: an empty handler restores the real one.
void SetMessageBoxHandler(MessageBoxHandler handler);
void SetShellLaunchHandler(ShellLaunchHandler handler);

// A string of the program's string table.
std::wstring LoadResourceString(UINT id);

}  // namespace twinsweep
