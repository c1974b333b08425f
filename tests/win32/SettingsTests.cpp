// The settings store against the real registry key of the program, real combo
// boxes and a real top-level window. Every test starts and ends without the key.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "document/Settings.h"
#include "framework/Controls.h"
#include "win32/Handles.h"
#include "win32/Registry.h"

namespace twinsweep {
namespace {

struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyWindow(h); }
};
using UniqueWindow = UniqueResource<WindowTraits>;

// ---- The registry as the tests see it, without going through the store ----

void DeleteSettingsKey()
{
    RegistryKey::DeleteTree(HKEY_CURRENT_USER, kSettingsKeyPath);
}

bool SettingsKeyExists()
{
    return RegistryKey::Exists(HKEY_CURRENT_USER, kSettingsKeyPath);
}

void PutValue(const std::wstring& name, DWORD type, const void* data, std::size_t bytes)
{
    RegistryKey key;
    ASSERT_TRUE(key.Create(HKEY_CURRENT_USER, kSettingsKeyPath));
    ASSERT_TRUE(key.Set(name.c_str(), type, data, bytes));
}

void PutDword(const std::wstring& name, DWORD value)
{
    PutValue(name, REG_DWORD, &value, sizeof(value));
}

void PutString(const std::wstring& name, const std::wstring& text)
{
    PutValue(name, REG_SZ, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// The characters alone, as a writer that forgets the terminating zero stores them.
void PutUnterminatedString(const std::wstring& name, const std::wstring& text)
{
    PutValue(name, REG_SZ, text.data(), text.size() * sizeof(wchar_t));
}

void PutWindowRecord(const std::vector<int32_t>& fields)
{
    PutValue(L"MainWndPos", REG_BINARY, fields.data(), fields.size() * sizeof(int32_t));
}

std::optional<RegistryValue> ReadValue(const std::wstring& name)
{
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKeyPath))
        return std::nullopt;
    return key.Query(name.c_str());
}

std::optional<DWORD> ReadDword(const std::wstring& name)
{
    RegistryKey key;
    if (!key.Open(HKEY_CURRENT_USER, kSettingsKeyPath))
        return std::nullopt;
    return key.QueryDword(name.c_str());
}

// The text of a REG_SZ value that ends with its terminating zero.
std::optional<std::wstring> ReadString(const std::wstring& name)
{
    const auto value = ReadValue(name);
    if (!value || value->type != REG_SZ || value->bytes.size() < sizeof(wchar_t))
        return std::nullopt;
    std::wstring text(value->bytes.size() / sizeof(wchar_t), L'\0');
    std::memcpy(text.data(), value->bytes.data(), text.size() * sizeof(wchar_t));
    if (text.back() != L'\0')
        return std::nullopt;
    text.pop_back();
    return text;
}

std::wstring FilterName(int index)
{
    wchar_t name[16];
    swprintf(name, 16, L"%02d_filter", index);
    return name;
}

// ---- Windows ----

const wchar_t kTestWindowClass[] = L"TwinsweepSettingsTestWindow";

void RegisterTestWindowClass()
{
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kTestWindowClass;
    RegisterClassW(&windowClass);  // fails harmlessly once the class exists
}

UniqueWindow MakeTopLevelWindow()
{
    RegisterTestWindowClass();
    return UniqueWindow(CreateWindowExW(0, kTestWindowClass, L"Twinsweep", WS_OVERLAPPEDWINDOW,
                                        120, 90, 400, 300, nullptr, nullptr,
                                        GetModuleHandleW(nullptr), nullptr));
}

UniqueWindow MakeCombo(HWND parent)
{
    return UniqueWindow(CreateWindowW(L"COMBOBOX", L"", WS_CHILD | WS_VSCROLL | CBS_DROPDOWN, 0,
                                      0, 200, 200, parent, nullptr, GetModuleHandleW(nullptr),
                                      nullptr));
}

void AddComboItems(HWND combo, const std::vector<std::wstring>& items)
{
    for (const std::wstring& item : items)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

std::vector<std::wstring> ComboItems(HWND combo)
{
    std::vector<std::wstring> items;
    const ComboBoxRef box(combo);
    for (int index = 0; index < box.Count(); ++index)
        items.push_back(box.ItemText(index));
    return items;
}

// The mask history as the program shows it.
std::vector<std::wstring> FilterList()
{
    const UniqueWindow window = MakeTopLevelWindow();
    const UniqueWindow combo = MakeCombo(window.get());
    FillFilterCombo(combo.get());
    return ComboItems(combo.get());
}

void SetFilterList(const std::vector<std::wstring>& masks)
{
    const UniqueWindow window = MakeTopLevelWindow();
    const UniqueWindow combo = MakeCombo(window.get());
    AddComboItems(combo.get(), masks);
    ReadFilterCombo(combo.get());
}

RECT WindowRect(HWND window)
{
    RECT rect{};
    GetWindowRect(window, &rect);
    return rect;
}

void ExpectRecordIs(const SavedWindowPos& pos, int32_t maximized, const RECT& rect)
{
    EXPECT_EQ(pos.maximized, maximized);
    EXPECT_EQ(pos.left, rect.left);
    EXPECT_EQ(pos.top, rect.top);
    EXPECT_EQ(pos.right, rect.right);
    EXPECT_EQ(pos.bottom, rect.bottom);
}

struct SizeRange {
    int32_t filesInRange = 0, rangeFrom = 0, fromUnit = 0, rangeTo = 0, toUnit = 0;
    bool operator==(const SizeRange&) const = default;
};

SizeRange CurrentSizeRange()
{
    SizeRange range;
    GetSizeRange(range.filesInRange, range.rangeFrom, range.fromUnit, range.rangeTo,
                 range.toUnit);
    return range;
}

// ---- Fixtures ----

class SettingsKeyTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
};

// The defaults in memory, as after a start without stored settings.
class SettingsTest : public SettingsKeyTest {
protected:
    void SetUp() override
    {
        SettingsKeyTest::SetUp();
        LoadSettings();
    }
};

// ---- Loading, saving, round trips ----

class SettingsLoad : public SettingsKeyTest {};

TEST_F(SettingsLoad, MissingKeyGivesDefaultsAndForgetsEarlierValues)
{
    SetEqualCont(false);
    SetEqualNames(true);
    SetSelDlg_What(2);
    SetSelDlg_UnselOthers(false);
    SetLastSelDrives(4);
    SetSelDlg_Contain(L"x");
    SetSizeRange(1, 2, 0, 3, 2);
    SetFilterList({L"*.txt"});

    LoadSettings();

    EXPECT_TRUE(GetEqualCont());
    EXPECT_FALSE(GetEqualNames());
    EXPECT_FALSE(GetEqualExt());
    EXPECT_FALSE(GetShowEmptyFiles());
    EXPECT_EQ(GetSelDlg_What(), 0);
    EXPECT_FALSE(GetSelDlg_ContainOn());
    EXPECT_FALSE(GetSelDlg_ExtOn());
    EXPECT_FALSE(GetSelDlg_DrivesOn());
    EXPECT_TRUE(GetSelDlg_UnselOthers());
    EXPECT_EQ(GetLastSelDrives(), 0xFFFFFFFFu);
    EXPECT_EQ(GetSelDlg_Contain(), L"");
    EXPECT_EQ(GetSelDlg_Ext(), L"");
    EXPECT_EQ(CurrentSizeRange(), (SizeRange{0, 0, 1, 0, 1}));
    EXPECT_FALSE(GetSavedWindowPos().has_value());
    EXPECT_TRUE(FilterList().empty());
    EXPECT_FALSE(SettingsKeyExists()) << "loading must not create the key";
}

class SettingsRoundTrip : public SettingsTest {};

TEST_F(SettingsRoundTrip, EveryValueSurvivesSaveAndLoad)
{
    const std::wstring openDir = L"C:\\Ünïcødé\\文件夹\\\U0001F600";
    PutString(L"LastOpenDir", openDir);
    LoadSettings();
    SetEqualCont(false);
    SetEqualNames(true);
    SetEqualExt(true);
    SetShowEmptyFiles(true);
    SetSelDlg_What(2);
    SetSelDlg_ContainOn(true);
    SetSelDlg_ExtOn(true);
    SetSelDlg_DrivesOn(true);
    SetSelDlg_UnselOthers(false);
    SetLastSelDrives(0x8000000C);
    SetSelDlg_Contain(L"Größe ½ — 日本語 \U0001F600");
    SetSelDlg_Ext(L"jpg;μ");
    SetSizeRange(1, -5, 0, 2048, 2);
    SetFilterList({L"*.txt", L"*.日本", L"*.*"});
    const UniqueWindow window = MakeTopLevelWindow();
    ShowWindow(window.get(), SW_SHOWNORMAL);
    StoreWindowPos(window.get());
    // Without the key, only what the save writes comes back.
    DeleteSettingsKey();

    SaveSettings();
    LoadSettings();

    EXPECT_FALSE(GetEqualCont());
    EXPECT_TRUE(GetEqualNames());
    EXPECT_TRUE(GetEqualExt());
    EXPECT_TRUE(GetShowEmptyFiles());
    EXPECT_EQ(GetSelDlg_What(), 2);
    EXPECT_TRUE(GetSelDlg_ContainOn());
    EXPECT_TRUE(GetSelDlg_ExtOn());
    EXPECT_TRUE(GetSelDlg_DrivesOn());
    EXPECT_FALSE(GetSelDlg_UnselOthers());
    EXPECT_EQ(GetLastSelDrives(), 0x8000000Cu);
    EXPECT_EQ(GetSelDlg_Contain(), L"Größe ½ — 日本語 \U0001F600");
    EXPECT_EQ(GetSelDlg_Ext(), L"jpg;μ");
    EXPECT_EQ(CurrentSizeRange(), (SizeRange{1, -5, 0, 2048, 2}));
    EXPECT_EQ(FilterList(), (std::vector<std::wstring>{L"*.txt", L"*.日本", L"*.*"}));
    ASSERT_TRUE(GetSavedWindowPos().has_value());
    ExpectRecordIs(*GetSavedWindowPos(), 0, WindowRect(window.get()));
    EXPECT_EQ(ReadString(L"LastOpenDir"), openDir);
}

TEST_F(SettingsRoundTrip, FlagStoredAsAnyNonZeroValueIsOnAndGoesBackUnchanged)
{
    PutDword(L"EqualNames", 5);
    PutDword(L"Range_FilesInRange", 0x80000000);
    LoadSettings();
    EXPECT_TRUE(GetEqualNames());
    EXPECT_TRUE(ReadSearchOptions().rangeOn);
    DeleteSettingsKey();

    SaveSettings();

    EXPECT_EQ(ReadDword(L"EqualNames"), 5u);
    EXPECT_EQ(ReadDword(L"Range_FilesInRange"), 0x80000000u);
}

TEST_F(SettingsRoundTrip, TransferWorksOnTheKeyItIsGiven)
{
    // Below the program's key, so that the fixture removes it as well.
    const std::wstring copyPath = std::wstring(kSettingsKeyPath) + L"\\Copy";
    RegistryKey copyKey;
    ASSERT_TRUE(copyKey.Create(HKEY_CURRENT_USER, copyPath.c_str()));
    SetFilterList({L"*.kept"});
    SetSelDlg_Ext(L"kept");
    TransferSettings(copyKey, SettingsDirection::Save);
    SetFilterList({L"*.other", L"*.more"});
    SetSelDlg_Ext(L"other");

    TransferSettings(copyKey, SettingsDirection::Load);

    EXPECT_EQ(FilterList(), std::vector<std::wstring>{L"*.kept"});
    EXPECT_EQ(GetSelDlg_Ext(), L"kept");
    EXPECT_FALSE(ReadValue(L"SelDlg_Ext").has_value()) << "only the given key is written";
}

class SettingsSaveFormat : public SettingsTest {};

TEST_F(SettingsSaveFormat, DefaultsAreWrittenUnderTheirNamesAndTypes)
{
    SaveSettings();

    for (const wchar_t* name : {L"LastOpenDir", L"SelDlg_Contain", L"SelDlg_Ext"}) {
        const auto value = ReadValue(name);
        ASSERT_TRUE(value.has_value());
        EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
        EXPECT_EQ(value->bytes, std::vector<BYTE>(2, 0)) << "an empty string is just its zero";
    }
    const auto record = ReadValue(L"MainWndPos");
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(record->type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(record->bytes, std::vector<BYTE>(20, 0));
    EXPECT_FALSE(ReadValue(L"00_filter").has_value());
}

TEST_F(SettingsSaveFormat, StringsAndMasksEndWithTheirTerminatingZero)
{
    SetSelDlg_Ext(L"jpg");
    SetFilterList({L"*.ä"});

    SaveSettings();

    EXPECT_EQ(ReadValue(L"SelDlg_Ext")->bytes.size(), 4 * sizeof(wchar_t));
    EXPECT_EQ(ReadString(L"SelDlg_Ext"), L"jpg");
    EXPECT_EQ(ReadValue(L"00_filter")->bytes.size(), 4 * sizeof(wchar_t));
    EXPECT_EQ(ReadString(L"00_filter"), L"*.ä");
}

// ---- The mask history in the registry ----

class SettingsFilterList : public SettingsTest {};

TEST_F(SettingsFilterList, GapsCloseOnLoadAndSaveRenumbersLeavingHigherValues)
{
    PutString(FilterName(0), L"*.a");
    PutString(FilterName(2), L"*.b");
    PutString(FilterName(5), L"*.c");

    LoadSettings();
    EXPECT_EQ(FilterList(), (std::vector<std::wstring>{L"*.a", L"*.b", L"*.c"}));
    SaveSettings();

    EXPECT_EQ(ReadString(FilterName(0)), L"*.a");
    EXPECT_EQ(ReadString(FilterName(1)), L"*.b");
    EXPECT_EQ(ReadString(FilterName(2)), L"*.c");
    EXPECT_FALSE(ReadValue(FilterName(3)).has_value());
    EXPECT_FALSE(ReadValue(FilterName(4)).has_value());
    EXPECT_EQ(ReadString(FilterName(5)), L"*.c");
}

TEST_F(SettingsFilterList, EntriesOfOtherTypesAreSkipped)
{
    PutDword(FilterName(0), 1);
    PutString(FilterName(1), L"*.x");
    const std::wstring expandable = L"%TEMP%\\*.y";
    PutValue(FilterName(2), REG_EXPAND_SZ, expandable.c_str(),
             (expandable.size() + 1) * sizeof(wchar_t));
    PutValue(FilterName(3), REG_BINARY, L"*.z", 4 * sizeof(wchar_t));

    LoadSettings();

    EXPECT_EQ(FilterList(), std::vector<std::wstring>{L"*.x"});
}

TEST_F(SettingsFilterList, NamesFrom20OnAreNeverRead)
{
    PutString(FilterName(20), L"*.twenty");
    LoadSettings();
    EXPECT_TRUE(FilterList().empty());

    std::vector<std::wstring> expected;
    for (int index = 0; index < 20; ++index) {
        expected.push_back(L"*." + std::to_wstring(index));
        PutString(FilterName(index), expected.back());
    }
    PutString(FilterName(21), L"*.twentyone");
    LoadSettings();
    EXPECT_EQ(FilterList(), expected);
}

// ---- DWORD values ----

class SettingsDwordValues : public SettingsTest {};

TEST_F(SettingsDwordValues, SelectionChoiceOutsideItsThreeLoadsAsAll)
{
    for (const DWORD stored : {DWORD{3}, DWORD{7}, DWORD{0xFFFFFFFF}}) {
        SCOPED_TRACE(stored);
        PutDword(L"SelDlg_What", stored);
        LoadSettings();
        EXPECT_EQ(GetSelDlg_What(), 0);
    }
    PutDword(L"SelDlg_What", 2);
    LoadSettings();
    EXPECT_EQ(GetSelDlg_What(), 2);
}

TEST_F(SettingsDwordValues, ValueOfAnotherTypeOrSizeKeepsItsDefault)
{
    PutString(L"EqualCont", L"0");
    const DWORD zero = 0;
    PutValue(L"LastSelDrives", REG_BINARY, &zero, sizeof(zero));
    PutValue(L"SelDlg_UnselOthers", REG_DWORD_BIG_ENDIAN, &zero, sizeof(zero));
    const uint64_t wide = 3;
    PutValue(L"Range_FromUnit", REG_QWORD, &wide, sizeof(wide));
    PutValue(L"ShowEmptyFiles", REG_DWORD, &wide, sizeof(wide));
    const uint16_t narrow = 0;
    PutValue(L"Range_ToUnit", REG_DWORD, &narrow, sizeof(narrow));
    PutDword(L"Range_RangeFrom", 7);

    LoadSettings();

    EXPECT_TRUE(GetEqualCont());
    EXPECT_EQ(GetLastSelDrives(), 0xFFFFFFFFu);
    EXPECT_TRUE(GetSelDlg_UnselOthers());
    EXPECT_FALSE(GetShowEmptyFiles());
    EXPECT_EQ(CurrentSizeRange(), (SizeRange{0, 7, 1, 0, 1}));
}

// ---- String values ----

class SettingsStrings : public SettingsTest {};

// 999 characters with non-ASCII ones among them.
std::wstring LongestStorableText()
{
    std::wstring text;
    while (text.size() < kMaxSettingChars)
        text += L"aä€";
    text.resize(kMaxSettingChars);
    return text;
}

TEST_F(SettingsStrings, LongestStringSurvivesUnchanged)
{
    const std::wstring text = LongestStorableText();
    SetSelDlg_Contain(text);
    SetFilterList({text});

    SaveSettings();
    LoadSettings();

    EXPECT_EQ(GetSelDlg_Contain(), text);
    EXPECT_EQ(FilterList(), std::vector<std::wstring>{text});
}

TEST_F(SettingsStrings, LongerStringIsSavedAsItsFirst999Characters)
{
    const std::wstring text = LongestStorableText() + std::wstring(501, L'z');
    const std::wstring first999 = text.substr(0, kMaxSettingChars);
    SetSelDlg_Contain(text);
    SetFilterList({text});

    SaveSettings();
    EXPECT_EQ(ReadString(L"SelDlg_Contain"), first999);
    LoadSettings();

    EXPECT_EQ(GetSelDlg_Contain(), first999);
    EXPECT_EQ(FilterList(), std::vector<std::wstring>{first999});
}

TEST_F(SettingsStrings, CutNeverSplitsASurrogatePair)
{
    const std::wstring first998(998, L'a');
    SetSelDlg_Ext(first998 + L"\U0001F600" + L"tail");

    SaveSettings();
    LoadSettings();

    EXPECT_EQ(GetSelDlg_Ext(), first998);
}

TEST_F(SettingsStrings, StringStoredWithoutTerminatingZeroIsRead)
{
    PutUnterminatedString(L"SelDlg_Ext", L"jpg");
    PutUnterminatedString(L"SelDlg_Contain", LongestStorableText());

    LoadSettings();

    EXPECT_EQ(GetSelDlg_Ext(), L"jpg");
    EXPECT_EQ(GetSelDlg_Contain(), LongestStorableText());
}

// A cut folder or mask would be another one, so a value too long for the
// 1000-character buffer is not taken at all.
TEST_F(SettingsStrings, StringTooLongToReadKeepsItsDefault)
{
    const std::wstring text1000 = LongestStorableText() + L"z";
    PutString(L"SelDlg_Contain", std::wstring(1500, L'x'));
    PutString(L"SelDlg_Ext", text1000);
    PutUnterminatedString(L"LastOpenDir", text1000);
    PutString(FilterName(0), L"*.a");
    PutString(FilterName(1), std::wstring(1500, L'y'));
    PutString(FilterName(2), L"*.b");

    LoadSettings();

    EXPECT_EQ(GetSelDlg_Contain(), L"");
    EXPECT_EQ(GetSelDlg_Ext(), L"");
    EXPECT_EQ(FilterList(), (std::vector<std::wstring>{L"*.a", L"*.b"}));
    DeleteSettingsKey();
    SaveSettings();
    EXPECT_EQ(ReadString(L"LastOpenDir"), L"");
}

TEST_F(SettingsStrings, StringOfAnotherTypeKeepsItsDefault)
{
    PutDword(L"SelDlg_Ext", 0x00670070);
    const std::wstring expandable = L"%TEMP%";
    PutValue(L"SelDlg_Contain", REG_EXPAND_SZ, expandable.c_str(),
             (expandable.size() + 1) * sizeof(wchar_t));

    LoadSettings();

    EXPECT_EQ(GetSelDlg_Ext(), L"");
    EXPECT_EQ(GetSelDlg_Contain(), L"");
}

// ---- The stored window position ----

class SettingsWindowPos : public SettingsTest {};

TEST_F(SettingsWindowPos, RecordLoadsFieldByField)
{
    PutWindowRecord({1, 10, 20, 330, 240});

    LoadSettings();

    ASSERT_TRUE(GetSavedWindowPos().has_value());
    ExpectRecordIs(*GetSavedWindowPos(), 1, RECT{10, 20, 330, 240});
}

void StoreFirstBytes(DWORD type, std::size_t bytes)
{
    const std::vector<int32_t> fields{0, 10, 20, 330, 240};
    std::vector<BYTE> data(bytes, 0);
    std::memcpy(data.data(), fields.data(), std::min(bytes, fields.size() * 4));
    PutValue(L"MainWndPos", type, data.data(), data.size());
}

TEST_F(SettingsWindowPos, RecordOfAnotherTypeOrLongerMeansNoPosition)
{
    const std::pair<DWORD, std::size_t> cases[] = {{REG_SZ, 20}, {REG_DWORD, 20}, {REG_BINARY, 24}};
    for (const auto& [type, bytes] : cases) {
        SCOPED_TRACE(testing::Message() << "type " << type << ", " << bytes << " bytes");
        StoreFirstBytes(type, bytes);
        LoadSettings();
        EXPECT_FALSE(GetSavedWindowPos().has_value());
    }
    // What was not taken goes back as an all-zero record.
    DeleteSettingsKey();
    SaveSettings();
    EXPECT_EQ(ReadValue(L"MainWndPos")->bytes, std::vector<BYTE>(20, 0));
}

TEST_F(SettingsWindowPos, ShorterRecordFillsTheFieldsItReaches)
{
    // The low two bytes of the bottom edge: 240.
    StoreFirstBytes(REG_BINARY, 18);
    LoadSettings();
    ASSERT_TRUE(GetSavedWindowPos().has_value());
    ExpectRecordIs(*GetSavedWindowPos(), 0, RECT{10, 20, 330, 240});

    // No bottom edge: above the top.
    StoreFirstBytes(REG_BINARY, 16);
    LoadSettings();
    EXPECT_FALSE(GetSavedWindowPos().has_value());
}

TEST_F(SettingsWindowPos, RectangleNoWindowCanHaveMeansNoPosition)
{
    const std::vector<int32_t> none[] = {
        {0, 50, 60, 50, 300},
        {0, 330, 20, 10, 240},
        {1, 10, 240, 330, 20},
        {0, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
        {0, -40000, 0, 100, 100},
        {0, 0, 0, 100, 40000},
    };
    for (const std::vector<int32_t>& record : none) {
        SCOPED_TRACE(testing::Message() << record[1] << ", " << record[2] << ", " << record[3] << ", " << record[4]);
        PutWindowRecord(record);
        LoadSettings();
        EXPECT_FALSE(GetSavedWindowPos().has_value());
    }
    PutWindowRecord({0, -32768, -32768, 32767, 32767});
    LoadSettings();
    EXPECT_TRUE(GetSavedWindowPos().has_value());
}

// ---- Taking the place of a real window ----

class SettingsWindowTracking : public SettingsTest {};

TEST_F(SettingsWindowTracking, NormalWindowGivesItsOuterRectangle)
{
    const UniqueWindow window = MakeTopLevelWindow();
    ASSERT_TRUE(window.valid());
    ShowWindow(window.get(), SW_SHOWNORMAL);
    const RECT rect = WindowRect(window.get());

    StoreWindowPos(window.get());
    SaveSettings();

    ASSERT_TRUE(GetSavedWindowPos().has_value());
    ExpectRecordIs(*GetSavedWindowPos(), 0, rect);
    const std::vector<int32_t> fields{0, rect.left, rect.top, rect.right, rect.bottom};
    std::vector<BYTE> bytes(20);
    std::memcpy(bytes.data(), fields.data(), bytes.size());
    EXPECT_EQ(ReadValue(L"MainWndPos")->bytes, bytes);
}

TEST_F(SettingsWindowTracking, MaximisedWindowKeepsTheEarlierRectangle)
{
    const UniqueWindow window = MakeTopLevelWindow();
    ASSERT_TRUE(window.valid());
    ShowWindow(window.get(), SW_SHOWNORMAL);
    const RECT normal = WindowRect(window.get());
    StoreWindowPos(window.get());

    ShowWindow(window.get(), SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(window.get()));
    ASSERT_NE(WindowRect(window.get()).right, normal.right);
    StoreWindowPos(window.get());

    ASSERT_TRUE(GetSavedWindowPos().has_value());
    ExpectRecordIs(*GetSavedWindowPos(), 1, normal);
}

TEST_F(SettingsWindowTracking, MinimisedWindowLeavesTheLoadedRecord)
{
    PutWindowRecord({1, 10, 20, 330, 240});
    LoadSettings();
    const UniqueWindow window = MakeTopLevelWindow();
    ASSERT_TRUE(window.valid());
    ShowWindow(window.get(), SW_SHOWMINIMIZED);
    ASSERT_TRUE(IsIconic(window.get()));

    StoreWindowPos(window.get());

    ASSERT_TRUE(GetSavedWindowPos().has_value());
    ExpectRecordIs(*GetSavedWindowPos(), 1, RECT{10, 20, 330, 240});
}

// ---- The mask combo box ----

class SettingsFilterCombo : public SettingsTest {};

TEST_F(SettingsFilterCombo, FillsInListOrderAndReadsBackEdits)
{
    PutString(FilterName(0), L"*.txt");
    PutString(FilterName(1), L"*.bak");
    PutString(FilterName(2), L"ä*.*");
    LoadSettings();
    const UniqueWindow window = MakeTopLevelWindow();
    const UniqueWindow combo = MakeCombo(window.get());

    FillFilterCombo(combo.get());
    EXPECT_EQ(ComboItems(combo.get()), (std::vector<std::wstring>{L"*.txt", L"*.bak", L"ä*.*"}));
    SendMessageW(combo.get(), CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(L"*.new"));
    SendMessageW(combo.get(), CB_DELETESTRING, 2, 0);
    ReadFilterCombo(combo.get());

    EXPECT_EQ(FilterList(), (std::vector<std::wstring>{L"*.new", L"*.txt", L"ä*.*"}));
}

TEST_F(SettingsFilterCombo, ReadingReplacesTheListAndKeepsAtMost20)
{
    std::vector<std::wstring> items;
    for (int index = 0; index < 25; ++index)
        items.push_back(L"*." + std::to_wstring(index));

    SetFilterList(items);
    EXPECT_EQ(FilterList(), std::vector<std::wstring>(items.begin(), items.begin() + 20));
    SetFilterList({});
    EXPECT_TRUE(FilterList().empty());
}

// ---- The options of a search ----

class SettingsSearchOptions : public SettingsTest {};

TEST_F(SettingsSearchOptions, CriteriaFollowTheFlagsAndRangeOffHasNoBounds)
{
    SetEqualCont(false);
    SetEqualNames(true);
    SetEqualExt(true);
    SetShowEmptyFiles(true);
    SetSizeRange(0, 5, 1, 10, 2);

    const SearchOptions options = ReadSearchOptions();

    EXPECT_FALSE(options.equalContents);
    EXPECT_TRUE(options.equalNames);
    EXPECT_TRUE(options.equalExtensions);
    EXPECT_TRUE(options.showEmptyFiles);
    EXPECT_FALSE(options.rangeOn);
    EXPECT_EQ(options.minSize, 0);
    EXPECT_EQ(options.maxSize, 0);
}

TEST_F(SettingsSearchOptions, RangeBoundsAreInBytes)
{
    SetSizeRange(1, 3, 0, 5, 1);
    SearchOptions options = ReadSearchOptions();
    EXPECT_TRUE(options.rangeOn);
    EXPECT_EQ(options.minSize, 3);
    EXPECT_EQ(options.maxSize, 5 * 1024);

    // Units outside 0 and 1 mean MB; 4096 MB does not fit in 32 bits.
    SetSizeRange(1, 2, -1, 4096, 3);
    options = ReadSearchOptions();
    EXPECT_EQ(options.minSize, 2 * 1048576);
    EXPECT_EQ(options.maxSize, int64_t{4096} * 1048576);
}

// ---- Saving at exit, each in a run of its own: both switches last for a run ----

class SettingsExitDeathTest : public SettingsKeyTest {};

TEST_F(SettingsExitDeathTest, RunThatNeverLoadedDoesNotWrite)
{
    PutDword(L"EqualNames", 1);

    EXPECT_EXIT(
        {
            SetEqualNames(false);
            SaveSettingsAtExit();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");

    EXPECT_EQ(ReadDword(L"EqualNames"), 1u);
    EXPECT_FALSE(ReadValue(L"EqualCont").has_value());
}

TEST_F(SettingsExitDeathTest, SuppressedRunDoesNotWrite)
{
    PutDword(L"EqualNames", 1);

    EXPECT_EXIT(
        {
            LoadSettings();
            SetEqualNames(false);
            SuppressSettingsSave();
            SaveSettingsAtExit();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");

    EXPECT_EQ(ReadDword(L"EqualNames"), 1u);
    EXPECT_FALSE(ReadValue(L"EqualCont").has_value());
}

// Without this one, the two above would pass as well if a run of its own never
// reached its exit save.
TEST_F(SettingsExitDeathTest, LoadedRunWritesAtExit)
{
    PutDword(L"EqualNames", 1);

    EXPECT_EXIT(
        {
            LoadSettings();
            SetEqualNames(false);
            SaveSettingsAtExit();
            std::exit(0);
        },
        testing::ExitedWithCode(0), "");

    EXPECT_EQ(ReadDword(L"EqualNames"), 0u);
    EXPECT_EQ(ReadDword(L"EqualCont"), 1u);
}

}  // namespace
}  // namespace twinsweep
