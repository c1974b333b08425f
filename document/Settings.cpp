// The settings store on the registry. Loading and saving go through one routine
// and one table per kind of value, so that names, order and defaults cannot drift
// apart between the two directions.
#include "document/Settings.h"

#include <cstring>
#include <cwchar>
#include <iterator>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/Controls.h"
#include "win32/Registry.h"

namespace twinsweep {
namespace {

// Every stored value, initialised to its default. Flags and numbers keep the raw
// DWORD: a flag stored as 5 reads as on and, left alone, goes back as 5.
struct StoredSettings {
    std::vector<std::wstring> filterList;
    std::wstring lastOpenDir;
    std::wstring selDlgContain;
    std::wstring selDlgExt;
    DWORD equalCont = 1;
    DWORD equalNames = 0;
    DWORD equalExt = 0;
    DWORD showEmptyFiles = 0;
    DWORD selDlgWhat = 0;
    DWORD selDlgContainOn = 0;
    DWORD selDlgExtOn = 0;
    DWORD selDlgDrivesOn = 0;
    DWORD selDlgUnselOthers = 1;
    DWORD lastSelDrives = 0xFFFFFFFF;
    DWORD rangeFilesInRange = 0;
    DWORD rangeFrom = 0;
    DWORD rangeFromUnit = 1;
    DWORD rangeTo = 0;
    DWORD rangeToUnit = 1;
    SavedWindowPos windowPos{};
};

StoredSettings current;
bool loadedThisRun = false;
bool saveSuppressed = false;

struct StringSetting {
    const wchar_t* name;
    std::wstring StoredSettings::*member;
};

const StringSetting kStringSettings[] = {
    {L"LastOpenDir", &StoredSettings::lastOpenDir},
    {L"SelDlg_Contain", &StoredSettings::selDlgContain},
    {L"SelDlg_Ext", &StoredSettings::selDlgExt},
};

struct DwordSetting {
    const wchar_t* name;
    DWORD StoredSettings::*member;
};

const DwordSetting kDwordSettings[] = {
    {L"EqualCont", &StoredSettings::equalCont},
    {L"EqualNames", &StoredSettings::equalNames},
    {L"EqualExt", &StoredSettings::equalExt},
    {L"ShowEmptyFiles", &StoredSettings::showEmptyFiles},
    {L"SelDlg_What", &StoredSettings::selDlgWhat},
    {L"SelDlg_ContainOn", &StoredSettings::selDlgContainOn},
    {L"SelDlg_ExtOn", &StoredSettings::selDlgExtOn},
    {L"SelDlg_DrivesOn", &StoredSettings::selDlgDrivesOn},
    {L"SelDlg_UnselOthers", &StoredSettings::selDlgUnselOthers},
    {L"LastSelDrives", &StoredSettings::lastSelDrives},
    {L"Range_FilesInRange", &StoredSettings::rangeFilesInRange},
    {L"Range_RangeFrom", &StoredSettings::rangeFrom},
    {L"Range_FromUnit", &StoredSettings::rangeFromUnit},
    {L"Range_RangeTo", &StoredSettings::rangeTo},
    {L"Range_ToUnit", &StoredSettings::rangeToUnit},
};

constexpr wchar_t kWindowPosName[] = L"MainWndPos";
constexpr DWORD kLastSelDlgWhat = 2;

DWORD FlagValue(bool on)
{
    return on ? 1 : 0;
}

int32_t AsSigned(DWORD value)
{
    return static_cast<int32_t>(value);
}

DWORD AsDword(int32_t value)
{
    return static_cast<DWORD>(value);
}

// Only a whole value is taken: a longer one keeps the default, because a text cut
// to fit would name another folder or mask rather than a shorter one.
std::optional<std::wstring> QueryString(const RegistryKey& key, const wchar_t* name)
{
    std::optional<std::wstring> text = key.QueryString(name);
    if (text && text->size() > kMaxSettingChars)
        return std::nullopt;
    return text;
}

// Cut to what QueryString takes back, never between the halves of a surrogate pair.
std::wstring_view StorableText(std::wstring_view text)
{
    if (text.size() <= kMaxSettingChars)
        return text;
    std::size_t length = kMaxSettingChars;
    if (IS_HIGH_SURROGATE(text[length - 1]))
        --length;
    return text.substr(0, length);
}

std::wstring FilterValueName(std::size_t index)
{
    wchar_t name[16];
    swprintf(name, std::size(name), L"%02d_filter", static_cast<int>(index));
    return name;
}

// Missing entries and entries of another type are skipped, so the list has no gaps.
void LoadFilterList(const RegistryKey& key)
{
    current.filterList.clear();
    for (std::size_t index = 0; index < kMaxFilterEntries; ++index) {
        if (auto mask = QueryString(key, FilterValueName(index).c_str()))
            current.filterList.push_back(std::move(*mask));
    }
}

// Entries beyond the list's end are left in the registry: loading stops at the
// first kMaxFilterEntries names anyway.
void SaveFilterList(RegistryKey& key)
{
    for (std::size_t index = 0; index < current.filterList.size(); ++index)
        key.SetString(FilterValueName(index).c_str(), StorableText(current.filterList[index]));
}

// The record's bytes are the value's bytes: both are little-endian without padding.
// A shorter record fills the fields it reaches; the rest stay zero. A longer one
// does not fit the record and counts as none.
SavedWindowPos QueryWindowPos(const RegistryKey& key)
{
    SavedWindowPos pos{};
    std::optional<std::vector<BYTE>> bytes = key.QueryBinary(kWindowPosName);
    if (bytes && bytes->size() <= sizeof(pos))
        std::memcpy(&pos, bytes->data(), bytes->size());
    return pos;
}

// Window coordinates travel in 16 bits (WM_MOVE, WM_SIZE): a record beyond them,
// or one turned inside out, was never written by a window and would open this one
// where nobody can reach it.
bool IsWindowRectangle(const SavedWindowPos& pos)
{
    constexpr int32_t kLowest = -32768, kHighest = 32767;
    for (int32_t coordinate : {pos.left, pos.top, pos.right, pos.bottom}) {
        if (coordinate < kLowest || coordinate > kHighest)
            return false;
    }
    return pos.left < pos.right && pos.top < pos.bottom;
}

void TransferStrings(RegistryKey& key, SettingsDirection direction)
{
    for (const auto& [name, member] : kStringSettings) {
        std::wstring& variable = current.*member;
        if (direction == SettingsDirection::Save)
            key.SetString(name, StorableText(variable));
        else if (auto text = QueryString(key, name))
            variable = std::move(*text);
    }
}

void TransferDwords(RegistryKey& key, SettingsDirection direction)
{
    for (const auto& [name, member] : kDwordSettings) {
        DWORD& variable = current.*member;
        if (direction == SettingsDirection::Save)
            key.SetDword(name, variable);
        else if (auto value = key.QueryDword(name))
            variable = *value;
    }
}

int64_t BoundInBytes(DWORD amount, DWORD unit)
{
    return int64_t{AsSigned(amount)} * UnitFactor(AsSigned(unit));
}

}  // namespace

void LoadSettings()
{
    current = StoredSettings{};
    loadedThisRun = true;
    RegistryKey key;
    if (key.Open(HKEY_CURRENT_USER, kSettingsKeyPath, KEY_READ))
        TransferSettings(key, SettingsDirection::Load);
}

void SaveSettings()
{
    RegistryKey key;
    if (key.Create(HKEY_CURRENT_USER, kSettingsKeyPath, KEY_WRITE))
        TransferSettings(key, SettingsDirection::Save);
}

// A run that never loaded holds defaults, not the user's choices: saving them
// would wipe out what is stored.
void SaveSettingsAtExit()
{
    if (loadedThisRun && !saveSuppressed)
        SaveSettings();
}

void SuppressSettingsSave()
{
    saveSuppressed = true;
}

void TransferSettings(RegistryKey& key, SettingsDirection direction)
{
    if (direction == SettingsDirection::Save)
        SaveFilterList(key);
    else
        LoadFilterList(key);
    TransferStrings(key, direction);
    TransferDwords(key, direction);
    // The selection dialog has three choices; anything else means the first.
    if (current.selDlgWhat > kLastSelDlgWhat)
        current.selDlgWhat = 0;
    if (direction == SettingsDirection::Save)
        key.SetBinary(kWindowPosName, &current.windowPos, sizeof(current.windowPos));
    else
        current.windowPos = QueryWindowPos(key);
}

bool GetEqualCont() { return current.equalCont != 0; }
void SetEqualCont(bool on) { current.equalCont = FlagValue(on); }
bool GetEqualNames() { return current.equalNames != 0; }
void SetEqualNames(bool on) { current.equalNames = FlagValue(on); }
bool GetEqualExt() { return current.equalExt != 0; }
void SetEqualExt(bool on) { current.equalExt = FlagValue(on); }
bool GetShowEmptyFiles() { return current.showEmptyFiles != 0; }
void SetShowEmptyFiles(bool on) { current.showEmptyFiles = FlagValue(on); }

int32_t GetSelDlg_What() { return AsSigned(current.selDlgWhat); }
void SetSelDlg_What(int32_t what) { current.selDlgWhat = AsDword(what); }
bool GetSelDlg_ContainOn() { return current.selDlgContainOn != 0; }
void SetSelDlg_ContainOn(bool on) { current.selDlgContainOn = FlagValue(on); }
bool GetSelDlg_ExtOn() { return current.selDlgExtOn != 0; }
void SetSelDlg_ExtOn(bool on) { current.selDlgExtOn = FlagValue(on); }
bool GetSelDlg_DrivesOn() { return current.selDlgDrivesOn != 0; }
void SetSelDlg_DrivesOn(bool on) { current.selDlgDrivesOn = FlagValue(on); }
bool GetSelDlg_UnselOthers() { return current.selDlgUnselOthers != 0; }
void SetSelDlg_UnselOthers(bool on) { current.selDlgUnselOthers = FlagValue(on); }
uint32_t GetLastSelDrives() { return current.lastSelDrives; }
void SetLastSelDrives(uint32_t drives) { current.lastSelDrives = drives; }
std::wstring GetSelDlg_Contain() { return current.selDlgContain; }
void SetSelDlg_Contain(const std::wstring& text) { current.selDlgContain = text; }
std::wstring GetSelDlg_Ext() { return current.selDlgExt; }
void SetSelDlg_Ext(const std::wstring& text) { current.selDlgExt = text; }

void GetSizeRange(int32_t& filesInRange, int32_t& rangeFrom, int32_t& fromUnit,
                  int32_t& rangeTo, int32_t& toUnit)
{
    filesInRange = AsSigned(current.rangeFilesInRange);
    rangeFrom = AsSigned(current.rangeFrom);
    fromUnit = AsSigned(current.rangeFromUnit);
    rangeTo = AsSigned(current.rangeTo);
    toUnit = AsSigned(current.rangeToUnit);
}

void SetSizeRange(int32_t filesInRange, int32_t rangeFrom, int32_t fromUnit,
                  int32_t rangeTo, int32_t toUnit)
{
    current.rangeFilesInRange = AsDword(filesInRange);
    current.rangeFrom = AsDword(rangeFrom);
    current.rangeFromUnit = AsDword(fromUnit);
    current.rangeTo = AsDword(rangeTo);
    current.rangeToUnit = AsDword(toUnit);
}

SearchOptions ReadSearchOptions()
{
    SearchOptions options;
    options.equalContents = GetEqualCont();
    options.equalNames = GetEqualNames();
    options.equalExtensions = GetEqualExt();
    options.showEmptyFiles = GetShowEmptyFiles();
    if (current.rangeFilesInRange != 0) {
        options.rangeOn = true;
        options.minSize = BoundInBytes(current.rangeFrom, current.rangeFromUnit);
        options.maxSize = BoundInBytes(current.rangeTo, current.rangeToUnit);
    }
    return options;
}

std::optional<SavedWindowPos> GetSavedWindowPos()
{
    if (!IsWindowRectangle(current.windowPos))
        return std::nullopt;
    return current.windowPos;
}

void StoreWindowPos(HWND window)
{
    if (IsIconic(window))
        return;
    current.windowPos.maximized = IsZoomed(window) ? 1 : 0;
    RECT rect;
    if (current.windowPos.maximized || !GetWindowRect(window, &rect))
        return;
    current.windowPos.left = rect.left;
    current.windowPos.top = rect.top;
    current.windowPos.right = rect.right;
    current.windowPos.bottom = rect.bottom;
}

void FillFilterCombo(HWND combo)
{
    for (const std::wstring& mask : current.filterList)
        ComboBoxRef(combo).Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(mask.c_str()));
}

void ReadFilterCombo(HWND combo)
{
    current.filterList.clear();
    const ComboBoxRef box(combo);
    const int count = box.Count();
    for (int index = 0; index < count && current.filterList.size() < kMaxFilterEntries; ++index)
        current.filterList.push_back(box.ItemText(index));
}

}  // namespace twinsweep
