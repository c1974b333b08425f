// The program's shortcuts ("Twinsweep.lnk") in the shell's folders.
#pragma once

#include <windows.h>

#include <string>

namespace twinsweep {

// The current path of a shell folder (CSIDL_DESKTOP, CSIDL_PROGRAMS) in path;
// the system's result code.
HRESULT GetSpecialFolderPath(HWND owner, int folder, HANDLE token, DWORD flags, std::wstring& path);

// Makes (or overwrites) "Twinsweep.lnk" in a shell folder: the running program
// as target and icon, "Twinsweep" as description; the first failure otherwise.
HRESULT CreateShortcut(int folder);

// A shortcut's target, or an empty string when the file is no readable shortcut.
std::wstring ShortcutTarget(const std::wstring& shortcutPath);

// Deletes the first shortcut in the folder whose target is the given program
// (compared without regard to case), whatever its name; the others stay. A
// failure when such a shortcut is there and could not be deleted.
HRESULT RemoveShortcutTo(const std::wstring& folder, const std::wstring& program);

}  // namespace twinsweep
