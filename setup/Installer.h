// What the install run records in the system besides the shortcuts: the
// uninstall entry and the Explorer extension's registration.
#pragma once

#include <windows.h>

#include <optional>

namespace twinsweep {

// Below HKEY_LOCAL_MACHINE.
extern const wchar_t kUninstallEntryKey[];

// "DisplayName" and "UninstallString" (the program's quoted path and "/U"). False
// when the key cannot be written, for want of rights say; nothing is shown.
bool WriteUninstallEntry();
void DeleteUninstallEntry();

// Calls the registration export of the Explorer extension that lies next to the
// program: the export's result, or nothing when the library or its export is not
// there.
std::optional<HRESULT> RegisterShellExtension(bool registerIt);

}  // namespace twinsweep
