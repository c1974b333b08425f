// What the install run records in the system besides the shortcuts: the
// uninstall entry and the Explorer extension's registration.
#pragma once

#include <windows.h>

namespace twinsweep {

// Below HKEY_LOCAL_MACHINE.
extern const wchar_t kUninstallEntryKey[];

// "DisplayName" and "UninstallString" (the program's quoted path and "/U"), with
// what Apps and Features shows beside them: icon, version, publisher, folder,
// size, and that there is nothing to modify or repair. A failure when the key or
// a value cannot be written, for want of rights say.
HRESULT WriteUninstallEntry();
// Done also when there was no entry.
HRESULT DeleteUninstallEntry();

// What RegisterShellExtension answers when the library or its export is not there.
inline const HRESULT kShellExtensionMissing = HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND);

// Calls the registration export of the Explorer extension that lies next to the
// program: the export's result, or kShellExtensionMissing.
HRESULT RegisterShellExtension(bool registerIt);

}  // namespace twinsweep
