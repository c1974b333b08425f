// What the install run records in the system besides the shortcuts: the
// uninstall entry and the Explorer extension's registration.
#pragma once

#include <windows.h>

#include <optional>

namespace twinsweep {

// Below HKEY_LOCAL_MACHINE.
extern const wchar_t kUninstallEntryKey[];

// "DisplayName" and "UninstallString" (the program's quoted path and "/U"), with
// what Apps and Features shows beside them: icon, version, publisher, folder,
// size, and that there is nothing to modify or repair. False when the key or a
// value cannot be written, for want of rights say.
bool WriteUninstallEntry();
// True also when there was no entry.
bool DeleteUninstallEntry();

// Calls the registration export of the Explorer extension that lies next to the
// program: the export's result, or nothing when the library or its export is not
// there.
std::optional<HRESULT> RegisterShellExtension(bool registerIt);

}  // namespace twinsweep
