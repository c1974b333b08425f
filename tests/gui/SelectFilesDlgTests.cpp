#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "controls/CCheckCombo.h"
#include "controls/ControlMessages.h"
#include "dialogs/CSelectFilesDlg.h"
#include "document/CDFDoc.h"
#include "document/SearchMessages.h"
#include "document/Settings.h"
#include "engine/SearchJob.h"
#include "framework/Controls.h"
#include "resources/resource.h"
#include "tests/gui/GuiTest.h"
#include "tests/gui/MainWindow.h"
#include "views/CResultView.h"
#include "views/CStatView.h"

namespace twinsweep::test {
namespace {

using Lines = std::vector<int>;
using Script = std::function<void(HWND dialog)>;

constexpr wchar_t kContainEmpty[] = L"The \"Containing\" string is empty";
constexpr wchar_t kExtEmpty[] = L"The extension string is empty";
constexpr wchar_t kNoDrives[] = L"No drives are selected";

// The letters of the drives the system has, as the dialog lists them.
std::wstring PresentDrives()
{
    std::wstring letters;
    const DWORD present = GetLogicalDrives();
    for (int bit = 0; bit < 26; ++bit) {
        if (present & (1u << bit))
            letters += static_cast<wchar_t>(L'a' + bit);
    }
    return letters;
}

BOOL CALLBACK FindSelectDialog(HWND window, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32770" || !IsWindowVisible(window) || WindowText(window) != L"Select files")
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// Plays a script on the Select files dialog from inside its modal loop. A dialog
// that the script leaves open is cancelled, so that no test waits for a user.
struct DialogDriver {
    Script script;
    bool busy = false;
    bool ran = false;
};
DialogDriver* g_driver = nullptr;

void CALLBACK DriveDialog(HWND, UINT, UINT_PTR, DWORD)
{
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindSelectDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog || !g_driver || g_driver->busy)
        return;
    if (!g_driver->ran) {
        g_driver->busy = true;
        g_driver->script(dialog);
        g_driver->busy = false;
        g_driver->ran = true;
    }
    if (IsWindowVisible(dialog))
        SendMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
}

// Runs what opens the dialog; true when the script ran on it.
bool WithDialog(const std::function<void()>& open, Script script)
{
    DialogDriver driver{std::move(script)};
    g_driver = &driver;
    const UINT_PTR timer = SetTimer(nullptr, 0, 30, DriveDialog);
    open();
    KillTimer(nullptr, timer);
    g_driver = nullptr;
    return driver.ran;
}

bool Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

void SetCheck(HWND dialog, int id, bool on)
{
    CheckDlgButton(dialog, id, on ? BST_CHECKED : BST_UNCHECKED);
}

void Type(HWND dialog, int id, const std::wstring& text)
{
    SetWindowTextW(GetDlgItem(dialog, id), text.c_str());
}

void PressOk(HWND dialog)
{
    SendMessageW(dialog, WM_COMMAND, IDOK, 0);
}

// Checks exactly the drives whose letters are given, as the owner of the pick list does.
void CheckDrives(HWND dialog, const std::wstring& letters)
{
    const ComboBoxRef combo(GetDlgItem(dialog, IDC_SEL_DRIVES));
    for (int i = 0; i < combo.Count(); ++i) {
        const wchar_t letter = combo.ItemText(i)[0];
        SendMessageW(combo.Handle(), CB_SETITEMDATA, static_cast<WPARAM>(i), letters.find(letter) != std::wstring::npos);
    }
}

// What the user sets in the dialog before OK.
struct Choices {
    int what = 0;
    bool containOn = false;
    std::wstring contain{};
    bool extOn = false;
    std::wstring ext{};
    bool drivesOn = false;
    std::wstring drives{};
    bool unselectOthers = true;
};

Script Choose(const Choices& choices)
{
    return [choices](HWND dialog) {
        SendDlgItemMessageW(dialog, IDC_SEL_WHAT, CB_SETCURSEL, static_cast<WPARAM>(choices.what), 0);
        SetCheck(dialog, IDC_SEL_CONTAIN_ON, choices.containOn);
        Type(dialog, IDC_SEL_CONTAIN, choices.contain);
        SetCheck(dialog, IDC_SEL_EXT_ON, choices.extOn);
        Type(dialog, IDC_SEL_EXT, choices.ext);
        SetCheck(dialog, IDC_SEL_DRIVES_ON, choices.drivesOn);
        if (choices.drivesOn)
            CheckDrives(dialog, choices.drives);
        SetCheck(dialog, IDC_SEL_UNSELECT_OTHERS, choices.unselectOthers);
        PressOk(dialog);
    };
}

class SelectFilesDlgTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        LoadSettings();
    }
    void TearDown() override { DeleteSettingsKey(); }

    // Runs a new dialog as the result view does; the dialog's result.
    INT_PTR Run(CSelectFilesDlg& dialog, Script script)
    {
        INT_PTR result = 0;
        EXPECT_TRUE(WithDialog([&] { result = dialog.DoModal(nullptr); }, std::move(script)));
        return result;
    }

    MessageBoxRecorder boxes;
};

TEST_F(SelectFilesDlgTest, WithoutSettingsEveryDriveIsCheckedAndOnlyUnselectTheRestIsOn)
{
    CSelectFilesDlg dialog;
    Run(dialog, [&](HWND window) {
        HWND what = GetDlgItem(window, IDC_SEL_WHAT);
        ASSERT_EQ(SendMessageW(what, CB_GETCOUNT, 0, 0), 3);
        EXPECT_EQ(WindowText(what), L"All");
        EXPECT_TRUE(Checked(window, IDC_SEL_UNSELECT_OTHERS));
        for (int id : {IDC_SEL_CONTAIN_ON, IDC_SEL_EXT_ON, IDC_SEL_DRIVES_ON})
            EXPECT_FALSE(Checked(window, id)) << id;
        for (int id : {IDC_SEL_CONTAIN, IDC_SEL_EXT, IDC_SEL_DRIVES})
            EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, id))) << id;

        CCheckCombo& drives = dialog.Drives();
        const std::wstring letters = PresentDrives();
        ASSERT_EQ(drives.Count(), static_cast<int>(letters.size()));
        std::wstring field;
        for (int i = 0; i < drives.Count(); ++i) {
            const std::wstring text = drives.ItemText(i);
            EXPECT_EQ(text.substr(0, 3), (std::wstring(1, letters[static_cast<size_t>(i)]) + L":\\"));
            EXPECT_TRUE(text.size() == 3 || (text.substr(3, 2) == L" [" && text.back() == L']')) << text;
            EXPECT_TRUE(drives.IsChecked(i));
            field += (field.empty() ? L"" : L", ") + text.substr(0, 1);
        }
        EXPECT_EQ(drives.FieldText(), field);
        RECT box, rule;
        GetWindowRect(drives.Handle(), &box);
        GetWindowRect(what, &rule);
        EXPECT_EQ(box.bottom - box.top, rule.bottom - rule.top) << "the pick list looks like the rule box";

        // Each condition's box switches its control; the rest stay as they are.
        SendDlgItemMessageW(window, IDC_SEL_EXT_ON, BM_CLICK, 0, 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_SEL_EXT)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_SEL_CONTAIN)));
        SendDlgItemMessageW(window, IDC_SEL_DRIVES_ON, BM_CLICK, 0, 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_SEL_DRIVES)));
        SendDlgItemMessageW(window, IDC_SEL_CONTAIN_ON, BM_CLICK, 0, 0);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_SEL_CONTAIN)));
        SendDlgItemMessageW(window, IDC_SEL_EXT_ON, BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, IDC_SEL_EXT)));
    });
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SelectFilesDlgTest, OkRefusesEmptyConditionsOneMessageAtATimeAndKeepsTheDialogOpen)
{
    const std::wstring letters = PresentDrives();
    ASSERT_FALSE(letters.empty());
    CSelectFilesDlg dialog;
    std::vector<std::vector<std::wstring>> seen;
    const INT_PTR result = Run(dialog, [&](HWND window) {
        SetCheck(window, IDC_SEL_CONTAIN_ON, true);
        SetCheck(window, IDC_SEL_EXT_ON, true);
        SetCheck(window, IDC_SEL_DRIVES_ON, true);
        CheckDrives(window, L"");
        PressOk(window);
        seen.push_back(boxes.Texts());
        Type(window, IDC_SEL_CONTAIN, L"Photos");
        PressOk(window);
        seen.push_back(boxes.Texts());
        Type(window, IDC_SEL_EXT, L"jpg");
        PressOk(window);
        seen.push_back(boxes.Texts());
        EXPECT_TRUE(IsWindowVisible(window));
        EXPECT_TRUE(Checked(window, IDC_SEL_DRIVES_ON)) << "a refused OK leaves the controls as they were";
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_SEL_CONTAIN)), L"Photos");
        CheckDrives(window, letters.substr(0, 1));
        PressOk(window);
    });
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], (std::vector<std::wstring>{kContainEmpty}));
    EXPECT_EQ(seen[1], (std::vector<std::wstring>{kContainEmpty, kExtEmpty}));
    EXPECT_EQ(seen[2], (std::vector<std::wstring>{kContainEmpty, kExtEmpty, kNoDrives}));
    for (const RecordedMessageBox& box : boxes.Boxes())
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.m_strDrives, letters.substr(0, 1));
    EXPECT_EQ(GetLastSelDrives(), 1u << (letters[0] - L'a')) << "only the drives of this OK";
}

TEST_F(SelectFilesDlgTest, ChoicesAreRememberedOnOkOnlyAndShownAtTheNextOpening)
{
    const std::wstring letters = PresentDrives();
    CSelectFilesDlg first;
    EXPECT_EQ(Run(first, Choose({.what = 2, .contain = L"My Photos", .extOn = true, .ext = L"JPG; gif", .unselectOthers = false})), IDOK);
    EXPECT_EQ(GetSelDlg_What(), 2);
    EXPECT_FALSE(GetSelDlg_ContainOn());
    EXPECT_EQ(GetSelDlg_Contain(), L"My Photos") << "the text of an unchecked condition is kept too";
    EXPECT_TRUE(GetSelDlg_ExtOn());
    EXPECT_EQ(GetSelDlg_Ext(), L"JPG; gif");
    EXPECT_FALSE(GetSelDlg_UnselOthers());
    EXPECT_EQ(GetLastSelDrives(), 0xFFFFFFFFu) << "the drives change only with \"On drives\"";

    CSelectFilesDlg cancelled;
    Run(cancelled, [](HWND window) {
        Type(window, IDC_SEL_CONTAIN, L"other");
        SetCheck(window, IDC_SEL_DRIVES_ON, true);
        SendMessageW(window, WM_COMMAND, IDCANCEL, 0);
    });
    EXPECT_EQ(GetSelDlg_Contain(), L"My Photos");
    EXPECT_FALSE(GetSelDlg_DrivesOn());

    CSelectFilesDlg again;
    Run(again, [&](HWND window) {
        EXPECT_EQ(SendDlgItemMessageW(window, IDC_SEL_WHAT, CB_GETCURSEL, 0, 0), 2);
        EXPECT_FALSE(Checked(window, IDC_SEL_CONTAIN_ON));
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_SEL_CONTAIN)), L"My Photos");
        EXPECT_TRUE(Checked(window, IDC_SEL_EXT_ON));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDC_SEL_EXT)));
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_SEL_EXT)), L"JPG; gif");
        EXPECT_FALSE(Checked(window, IDC_SEL_UNSELECT_OTHERS));
        // The last drive alone, for the next opening.
        SetCheck(window, IDC_SEL_DRIVES_ON, true);
        CheckDrives(window, letters.substr(letters.size() - 1));
        PressOk(window);
    });
    CSelectFilesDlg last;
    Run(last, [&](HWND) {
        for (int i = 0; i < last.Drives().Count(); ++i)
            EXPECT_EQ(last.Drives().IsChecked(i), i + 1 == last.Drives().Count()) << i;
        EXPECT_EQ(last.Drives().FieldText(), letters.substr(letters.size() - 1));
    });
}

TEST_F(SelectFilesDlgTest, ThePickListOpensOneCheckListAndWritesItsChecksBackWhenItCloses)
{
    const std::wstring letters = PresentDrives();
    ASSERT_GE(letters.size(), 2u);
    CSelectFilesDlg dialog;
    Run(dialog, [&](HWND window) {
        CCheckCombo& drives = dialog.Drives();
        SetCheck(window, IDC_SEL_DRIVES_ON, true);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_SEL_DRIVES_ON, BN_CLICKED), 0);
        SendMessageW(window, WM_COMMAND, MAKEWPARAM(IDC_SEL_DRIVES, CBN_DROPDOWN),
                     reinterpret_cast<LPARAM>(drives.Handle()));
        PostMessageW(drives.Handle(), WM_CHECKCOMBO_OPENPOPUP, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return drives.Popup() != nullptr; }));
        Pump();
        CCheckListPopup* popup = drives.Popup();
        HWND popupWindow = popup->Handle();
        EXPECT_EQ(GetWindow(popupWindow, GW_OWNER), window);
        EXPECT_TRUE(IsWindowVisible(popupWindow));
        EXPECT_FALSE(SendMessageW(drives.Handle(), CB_GETDROPPEDSTATE, 0, 0));
        RECT field, list;
        GetWindowRect(drives.Handle(), &field);
        GetWindowRect(popupWindow, &list);
        EXPECT_EQ(list.top, field.bottom);
        EXPECT_EQ(list.bottom - list.top, 150);
        EXPECT_TRUE(dialog.KeepsTitleActive()) << "the dialog keeps its active title bar while its list is open";
        ASSERT_EQ(popup->List().Count(), static_cast<int>(letters.size()));

        // A second request while it is open changes nothing.
        SendMessageW(drives.Handle(), WM_CHECKCOMBO_OPENPOPUP, 0, 0);
        EXPECT_EQ(drives.Popup(), popup);

        SendMessageW(popupWindow, WM_COMMAND, ID_UNCHECK_ALL, 0);
        popup->List().SetCheck(1, true);
        SetActiveWindow(window);
        ASSERT_TRUE(PumpUntil([&] { return drives.Popup() == nullptr; }));
        EXPECT_FALSE(IsWindow(popupWindow));
        EXPECT_FALSE(dialog.KeepsTitleActive());
        for (int i = 0; i < drives.Count(); ++i)
            EXPECT_EQ(drives.IsChecked(i), i == 1) << i;
        EXPECT_EQ(drives.FieldText(), letters.substr(1, 1));

        // Check All, then Space on the first line and Enter: the same write-back.
        SendMessageW(drives.Handle(), WM_CHECKCOMBO_OPENPOPUP, 0, 0);
        ASSERT_NE(drives.Popup(), nullptr);
        HWND checkList = drives.Popup()->List().Handle();
        SendMessageW(drives.Popup()->Handle(), WM_COMMAND, ID_CHECK_ALL, 0);
        SendMessageW(checkList, LB_SETCARETINDEX, 0, FALSE);
        SendMessageW(checkList, WM_KEYDOWN, VK_SPACE, 0);
        SendMessageW(checkList, WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_TRUE(PumpUntil([&] { return drives.Popup() == nullptr; }));
        EXPECT_FALSE(drives.IsChecked(0));
        EXPECT_TRUE(drives.IsChecked(1));
        EXPECT_TRUE(IsWindowVisible(window)) << "the dialog itself stays open";
        PressOk(window);
    });
    EXPECT_EQ(dialog.m_strDrives, letters.substr(1));
}

// The result view with two groups on drives the system has, c and z under Wine.
class SelectFilesTest : public SelectFilesDlgTest {
protected:
    SelectFilesTest() : statHost(stats, document), host(view, document) {}

    void SetUp() override
    {
        SelectFilesDlgTest::SetUp();
        const std::wstring letters = PresentDrives();
        if (letters.find(L'c') == std::wstring::npos || letters.find(L'z') == std::wstring::npos)
            GTEST_SKIP() << "needs drives c and z";
        SendGroup({"C:\\MyPhotos\\a.jpg", "C:\\backup\\a.JPG", "Z:\\old\\a.jpg"});
        SendGroup({"Z:\\docs\\b.txt", "C:\\docs\\copy\\b.txt"});
    }

    void SendGroup(const std::vector<std::string>& paths)
    {
        DupGroup group;
        for (const std::string& path : paths) {
            group.entries.push_back(std::make_unique<DupFileEntry>());
            group.entries.back()->strPath = path;
            group.entries.back()->dwSize = 10;
        }
        SendMessageW(view.Handle(), WM_RESULT_ADDGROUP, reinterpret_cast<WPARAM>(&group),
                     static_cast<LPARAM>(group.ByteTotal()));
    }

    void Select(const Lines& lines)
    {
        SendMessageW(view.Files().Handle(), LB_SETSEL, FALSE, -1);
        for (int line : lines)
            SendMessageW(view.Files().Handle(), LB_SETSEL, TRUE, line);
    }

    // The marks after the dialog ran with these choices on a list marked so.
    Lines MarksAfter(const Choices& choices, const Lines& before = {})
    {
        Select(before);
        EXPECT_TRUE(WithDialog([&] { view.OnCommand(ID_SELECT_FILES); }, Choose(choices)));
        return view.Files().SelectedLines();
    }

    bool SelectEnabled()
    {
        CommandState state{ID_SELECT_FILES};
        return view.OnUpdateCommand(state) && state.enabled;
    }

    CDFDoc document;
    CStatView stats;
    CResultView view;
    ViewHost statHost;
    ViewHost host;
};

// The rules themselves have their own table; here the dialog's choices reach them.
TEST_F(SelectFilesTest, EveryChoiceOfTheDialogReachesTheRules)
{
    EXPECT_EQ(MarksAfter({.what = 1}), (Lines{0, 3}));
    EXPECT_EQ(MarksAfter({.what = 2, .containOn = true, .contain = L"\\", .extOn = true, .ext = L"JPG",
                          .drivesOn = true, .drives = L"c"}),
              (Lines{1}));
}

TEST_F(SelectFilesTest, WithoutUnselectTheRestTheMarksAddToThoseThereAndCancelChangesNothing)
{
    EXPECT_EQ(MarksAfter({.what = 1, .unselectOthers = false}, {2}), (Lines{0, 2, 3}));
    EXPECT_EQ(MarksAfter({.what = 1}, {2}), (Lines{0, 3}));
    Select({1, 4});
    EXPECT_TRUE(WithDialog([&] { view.OnCommand(ID_SELECT_FILES); },
                           [](HWND window) { SendMessageW(window, WM_COMMAND, IDCANCEL, 0); }));
    EXPECT_EQ(view.Files().SelectedLines(), (Lines{1, 4}));
    EXPECT_TRUE(IsWindowVisible(view.Files().Handle()));
}

TEST_F(SelectFilesTest, TheCommandIsEnabledOnlyWithLinesAndNoSearchRunning)
{
    EXPECT_TRUE(SelectEnabled());
    document.m_bBusy = true;
    EXPECT_FALSE(SelectEnabled());
    EXPECT_FALSE(WithDialog([&] { view.OnCommand(ID_SELECT_FILES); }, Choose({.what = 0})))
        << "no dialog while a search runs";
    document.m_bBusy = false;
    view.EmptyList();
    EXPECT_FALSE(SelectEnabled());
    ContextMenu menu = view.PrepareContextMenu();
    EXPECT_TRUE(GetMenuState(menu.Popup(), ID_SELECT_FILES, MF_BYCOMMAND) & MF_GRAYED);
}

class SelectFilesMainWindowTest : public MainWindowTest {};

TEST_F(SelectFilesMainWindowTest, TheMenuItemAndTheToolbarButtonFollowTheResultList)
{
    Start();
    EXPECT_FALSE(Frame().QueryCommand(ID_SELECT_FILES).enabled);
    DupGroup group;
    for (const char* path : {"C:\\a.txt", "C:\\b.txt"}) {
        group.entries.push_back(std::make_unique<DupFileEntry>());
        group.entries.back()->strPath = path;
    }
    SendMessageW(Frame().ResultView().Handle(), WM_RESULT_ADDGROUP, reinterpret_cast<WPARAM>(&group), 0);
    EXPECT_TRUE(Frame().QueryCommand(ID_SELECT_FILES).enabled);
    EXPECT_TRUE(WithDialog([&] { Frame().RouteCommand(ID_SELECT_FILES); }, Choose({.what = 2})));
    EXPECT_EQ(Frame().ResultView().Files().SelectedLines(), (Lines{1}));
}

}  // namespace
}  // namespace twinsweep::test
