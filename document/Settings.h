// The settings store: every user choice that outlives a run. Read once at start-up
// from HKEY_CURRENT_USER\Software\Mirelon\Twinsweep, written back once at exit;
// the setters in between change memory only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/SearchJob.h"

namespace twinsweep {

// Below HKEY_CURRENT_USER.
inline constexpr wchar_t kSettingsKeyPath[] = L"Software\\Mirelon\\Twinsweep";
// The maker's key above it, which the uninstall run removes when it is left empty.
inline constexpr wchar_t kMakerKeyPath[] = L"Software\\Mirelon";

// The history of file masks holds this many entries, most recent first.
inline constexpr std::size_t kMaxFilterEntries = 20;

// Strings are kept to 999 characters: the store reads them back through a
// 1000-character buffer, terminating zero included.
inline constexpr std::size_t kMaxSettingChars = 999;

// The main window's last place, stored as the 20 bytes of "MainWndPos": the outer
// rectangle in screen coordinates. A rectangle with right == left means none, and
// so does one that no window can have (inside out, or beyond the 16-bit range of
// window coordinates).
struct SavedWindowPos {
    int32_t maximized;
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
static_assert(sizeof(SavedWindowPos) == 20, "MainWndPos is 20 bytes without padding");

class RegistryKey;

enum class SettingsDirection { Load, Save };

void LoadSettings();
void SaveSettings();
// Saves unless SuppressSettingsSave was called or this run never loaded.
void SaveSettingsAtExit();
void SuppressSettingsSave();
// Reads or writes every value under an open key.
void TransferSettings(RegistryKey& key, SettingsDirection direction);

bool GetEqualCont();
void SetEqualCont(bool on);
bool GetEqualNames();
void SetEqualNames(bool on);
bool GetEqualExt();
void SetEqualExt(bool on);
bool GetShowEmptyFiles();
void SetShowEmptyFiles(bool on);

// 0 all items, 1 every first item of each group, 2 all items but the first of each.
int32_t GetSelDlg_What();
void SetSelDlg_What(int32_t what);
bool GetSelDlg_ContainOn();
void SetSelDlg_ContainOn(bool on);
bool GetSelDlg_ExtOn();
void SetSelDlg_ExtOn(bool on);
bool GetSelDlg_DrivesOn();
void SetSelDlg_DrivesOn(bool on);
bool GetSelDlg_UnselOthers();
void SetSelDlg_UnselOthers(bool on);
// Bit n stands for drive 'A' + n.
uint32_t GetLastSelDrives();
void SetLastSelDrives(uint32_t drives);
std::wstring GetSelDlg_Contain();
void SetSelDlg_Contain(const std::wstring& text);
std::wstring GetSelDlg_Ext();
void SetSelDlg_Ext(const std::wstring& text);

// Units: 0 bytes, 1 KB, 2 MB.
void GetSizeRange(int32_t& filesInRange, int32_t& rangeFrom, int32_t& fromUnit,
                  int32_t& rangeTo, int32_t& toUnit);
void SetSizeRange(int32_t filesInRange, int32_t rangeFrom, int32_t fromUnit,
                  int32_t rangeTo, int32_t toUnit);

// The criteria and the size range of a new search, bounds in bytes.
SearchOptions ReadSearchOptions();

std::optional<SavedWindowPos> GetSavedWindowPos();
// Records where the main window is as it closes. A minimised window changes
// nothing; a maximised one keeps the rectangle it had before, so that it comes
// back to that place once restored.
void StoreWindowPos(HWND window);

// The mask history into and out of the mask combo box, which does not sort.
void FillFilterCombo(HWND combo);
void ReadFilterCombo(HWND combo);

}  // namespace twinsweep
