// The folder hand-off between the Explorer extension and the program: the
// extension writes the chosen folders into one registry key and starts the
// program, whose start-up takes them and deletes the key. Both sides use these
// functions, so the key's layout is written down once.
//
// Layout: HKEY_CURRENT_USER\Software\Mirelon\Twinsweep\Clipboard holds one REG_SZ
// value per folder, named by its index in decimal ("0", "1", ... "10", ...), in
// the order of the selection. There is no count: the first missing index ends
// the list.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace twinsweep::handoff {

// Below HKEY_CURRENT_USER.
inline constexpr wchar_t kKeyPath[] = L"Software\\Mirelon\\Twinsweep\\Clipboard";

std::wstring ValueName(std::size_t index);

// Replaces whatever the key held by these folders, whole. False when the key
// could not be written; then it is left absent.
bool Write(const std::vector<std::wstring>& folders);

// The folders in index order up to the first missing index, each of any length,
// then deletes the key, also when nothing was taken. Empty when there is no key.
std::vector<std::wstring> Take();

}  // namespace twinsweep::handoff
