#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "app/AboutDlg.h"
#include "document/Settings.h"
#include "framework/Gdi.h"
#include "resources/resource.h"
#include "tests/gui/MainWindow.h"
#include "views/CDirView.h"
#include "views/CResultView.h"
#include "views/CStatView.h"
#include "win32/Registry.h"

namespace twinsweep::test {
namespace {

using Texts = std::vector<std::wstring>;

RECT WindowRect(HWND window)
{
    RECT rect;
    GetWindowRect(window, &rect);
    return rect;
}

void SaveWindowPos(const SavedWindowPos& pos)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, L"MainWndPos", REG_BINARY, &pos,
                    sizeof pos);
}

// What the shell hands a window when files are dropped on it.
HDROP MakeDrop(const std::vector<std::wstring>& paths)
{
    size_t chars = 1;
    for (const std::wstring& path : paths)
        chars += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* text = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& path : paths) {
        wcscpy(text, path.c_str());
        text += path.size() + 1;
    }
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

std::wstring FilterItem(HWND box, int index)
{
    return ComboBoxRef(box).ItemText(index);
}

// The lines of the folder pane as each box comes up.
class BoxesOverTheFolderPane {
public:
    explicit BoxesOverTheFolderPane(HWND folderList)
    {
        SetMessageBoxHandler([this, folderList](HWND, const std::wstring& text, UINT) {
            texts.push_back(text);
            paneLines.push_back(ListView_GetItemCount(folderList));
            return IDOK;
        });
    }
    ~BoxesOverTheFolderPane() { SetMessageBoxHandler(nullptr); }
    Texts texts;
    std::vector<int> paneLines;
};

class MainFrameTest : public MainWindowTest {};

TEST_F(MainFrameTest, OpensAt600By600CentredWithTheMaskAllFiles)
{
    Start();
    RECT rect = WindowRect(Frame().Handle());
    EXPECT_EQ(rect.right - rect.left, 600);
    EXPECT_EQ(rect.bottom - rect.top, 600);
    RECT desktop = WindowRect(GetDesktopWindow());
    EXPECT_LE(std::abs((rect.left + rect.right) - (desktop.left + desktop.right)), 2);
    EXPECT_EQ(WindowText(Frame().Handle()), L"Twinsweep");
    EXPECT_EQ(WindowText(Frame().FilterBox()), L"*.*");
    EXPECT_EQ(Frame().GetStatusBar().Text(0), L"Ready");
}

// The arithmetic of fitting a placement to the screens has its own table; here
// the frame applies it to what a closed window left, sound or not.
TEST_F(MainFrameTest, ComesBackWhereItWasLeftOrWhereItFits)
{
    struct Row {
        const char* what;
        SavedWindowPos record;
        std::optional<RECT> exact;
        int width = 0, height = 0;  // 0: at least the smallest window
        bool maximised = false;
    };
    const Row rows[] = {
        {"where it was left", {0, 50, 60, 750, 560}, RECT{50, 60, 750, 560}, 700, 500},
        {"on a screen that is gone: the nearest", {0, -5000, -4000, -4300, -3500}, std::nullopt, 700, 500},
        {"turned inside out: the default", {0, 700, 500, 50, 60}, std::nullopt, 600, 600},
        {"beyond every screen: the default", {1, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, std::nullopt, 600, 600},
        {"tiny", {0, 100, 100, 101, 101}, std::nullopt, 0, 0},
        {"maximised", {1, 50, 60, 750, 560}, std::nullopt, 0, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        SaveWindowPos(row.record);
        Start();
        if (row.maximised) {
            EXPECT_TRUE(PumpUntil([&] { return IsZoomed(Frame().Handle()) != FALSE; }));
            Close();
            continue;
        }
        RECT rect = WindowRect(Frame().Handle());
        if (row.exact) {
            EXPECT_TRUE(EqualRect(&rect, &*row.exact));
        }
        if (row.width) {
            EXPECT_EQ(rect.right - rect.left, row.width);
            EXPECT_EQ(rect.bottom - rect.top, row.height);
        } else {
            EXPECT_GE(rect.right - rect.left, GetSystemMetrics(SM_CXMINTRACK));
            EXPECT_GE(rect.bottom - rect.top, GetSystemMetrics(SM_CYMINTRACK));
        }
        EXPECT_NE(MonitorFromRect(&rect, MONITOR_DEFAULTTONULL), nullptr);
        Pump();
        EXPECT_FALSE(IsZoomed(Frame().Handle()));
        Close();
    }
}

TEST_F(MainFrameTest, TheStartMaskIsAllFilesWhateverTheHistory)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKeyPath, L"00_filter", REG_SZ, L"*.jpg",
                    6 * sizeof(wchar_t));
    Start();
    EXPECT_EQ(WindowText(Frame().FilterBox()), L"*.*");
    EXPECT_EQ(FilterItem(Frame().FilterBox(), 0), L"*.jpg");
}

TEST_F(MainFrameTest, TheFolderPaneTakesAllButTheStatisticsWidth)
{
    Start();
    RECT frame = WindowRect(Frame().Handle()), client;
    GetClientRect(Frame().Handle(), &client);
    int chrome = (frame.right - frame.left) - client.right;
    SetWindowPos(Frame().Handle(), nullptr, 0, 0, 1000 + chrome, 700, SWP_NOMOVE | SWP_NOZORDER);
    Pump();
    RECT folders = WindowRect(Frame().DirView().Handle());
    EXPECT_EQ(folders.right - folders.left, 750);
}

TEST_F(MainFrameTest, TheMaskHistoryKeepsTheTwentyNewestAndIgnoresCase)
{
    Start();
    HWND box = Frame().FilterBox();
    for (int i = 0; i < 21; ++i) {
        SetWindowTextW(box, (L"*.m" + std::to_wstring(i)).c_str());
        EXPECT_EQ(Frame().GetFilterMask(), L"*.m" + std::to_wstring(i));
    }
    EXPECT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 20);
    EXPECT_EQ(FilterItem(box, 0), L"*.m20");
    EXPECT_EQ(FilterItem(box, 19), L"*.m1");

    SetWindowTextW(box, L"*.M5");
    EXPECT_EQ(Frame().GetFilterMask(), L"*.M5");
    EXPECT_EQ(SendMessageW(box, CB_GETCOUNT, 0, 0), 20);
    EXPECT_EQ(FilterItem(box, 0), L"*.m20");
}

TEST_F(MainFrameTest, CommandsFollowTheFolderListAndTheSearch)
{
    Start();
    EXPECT_FALSE(Frame().QueryCommand(ID_GO).enabled);
    EXPECT_TRUE(Frame().QueryCommand(ID_ADD_FOLDER).enabled);
    EXPECT_FALSE(Frame().QueryCommand(ID_REMOVE_SELECTED_DIRECTORIES).enabled);
    EXPECT_TRUE(Frame().QueryCommand(ID_APP_ABOUT).enabled);
    EXPECT_FALSE(Frame().GetToolBar()->IsButtonEnabled(ID_GO));

    Doc().AddFolders({Utf8ToWide(tree.Root())});
    Pump();
    EXPECT_TRUE(Frame().QueryCommand(ID_GO).enabled);
    EXPECT_TRUE(Frame().GetToolBar()->IsButtonEnabled(ID_GO));

    Doc().m_bBusy = true;
    Pump();
    EXPECT_FALSE(Frame().QueryCommand(ID_GO).enabled);
    EXPECT_FALSE(Frame().QueryCommand(ID_ADD_FOLDER).enabled);
    EXPECT_FALSE(Frame().QueryCommand(ID_REMOVE_ALL_FOLDERS).enabled);
    EXPECT_FALSE(IsWindowEnabled(Frame().FilterBox()));
    Doc().m_bBusy = false;
    Pump();
    EXPECT_TRUE(IsWindowEnabled(Frame().FilterBox()));
}

TEST_F(MainFrameTest, RemoveAllEmptiesTheFolderList)
{
    Start();
    Doc().AddFolders({Utf8ToWide(tree.MakeFolder("a")), Utf8ToWide(tree.MakeFolder("b"))});
    Frame().RouteCommand(ID_REMOVE_ALL_FOLDERS);
    EXPECT_TRUE(ListedFolders().empty());
    EXPECT_EQ(ListView_GetItemCount(Frame().DirView().FolderList()), 0);
}

TEST_F(MainFrameTest, DroppedFoldersAreAddedAndFilesReportedOnce)
{
    Start();
    std::wstring a = Utf8ToWide(tree.MakeFolder("a")), b = Utf8ToWide(tree.MakeFolder("b")), c = Utf8ToWide(tree.MakeFolder("c"));
    std::wstring file = Utf8ToWide(tree.Write("file.txt", "x"));
    BoxesOverTheFolderPane seen(Frame().DirView().FolderList());
    SendMessageW(Frame().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({a, file, b, c})), 0);
    EXPECT_EQ(ListedFolders(), (Texts{a, b, c}));
    EXPECT_EQ(seen.texts, Texts{L"Your selection contained files.\nOnly directories are added."});
    EXPECT_EQ(seen.paneLines, std::vector<int>{3});
}

TEST_F(MainFrameTest, FolderRulesSpeakThroughMessageBoxes)
{
    Start();
    std::wstring data = Utf8ToWide(tree.MakeFolder("Data")), photos = Utf8ToWide(tree.MakeFolder("Data/Photos"));
    Doc().AddFolders({photos});
    Doc().AddFolders({data});
    Doc().AddFolders({data});
    Doc().AddFolders({photos});
    EXPECT_EQ(ListedFolders(), Texts{data});
    Texts texts = boxes.Texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0], L"Folder '" + photos + L"' is a subfolder of '" + data + L"' and is replaced by it.");
    EXPECT_EQ(texts[1], L"Folder '" + data + L"'\nis added twice.");
    EXPECT_EQ(texts[2], L"Folder '" + photos + L"' is a subfolder of '" + data +
                            L"'\nwhich is already in the list so it doesn't make sense to add it.");
    for (const RecordedMessageBox& box : boxes.Boxes())
        EXPECT_EQ(box.type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
}

TEST_F(MainFrameTest, ABatchOfManyClashesSpeaksInOneBoxOverAnUpToDatePane)
{
    Start();
    std::wstring data = Utf8ToWide(tree.MakeFolder("Data")), other = Utf8ToWide(tree.MakeFolder("Other"));
    std::wstring file = Utf8ToWide(tree.Write("file.txt", "x"));
    std::vector<std::wstring> paths(26, data);
    paths.push_back(file);
    paths.push_back(other);
    BoxesOverTheFolderPane seen(Frame().DirView().FolderList());
    Doc().AddFolders(paths);
    EXPECT_EQ(ListedFolders(), (Texts{data, other}));
    std::wstring expected;
    for (int i = 0; i < 20; ++i)
        expected += L"Folder '" + data + L"' is added twice.\n";
    expected += L"and 5 more\n\nYour selection contained files.\nOnly directories are added.";
    EXPECT_EQ(seen.texts, Texts{expected});
    EXPECT_EQ(seen.paneLines, std::vector<int>{2});
}

TEST_F(MainFrameTest, TheToolbarHasAGripperAndALineAlongItsBottom)
{
    Start();
    HWND toolbar = Frame().GetToolBar()->Handle();
    RECT window = WindowRect(toolbar), client;
    GetClientRect(toolbar, &client);
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(client.left - window.left, 7);
    EXPECT_EQ(window.bottom - client.bottom, 2);
    EXPECT_EQ(client.top, window.top);

    RedrawWindow(toolbar, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    HDC dc = GetWindowDC(toolbar);
    const int height = window.bottom - window.top, middle = height / 2;
    EXPECT_EQ(GetPixel(dc, 2, middle), GetSysColor(COLOR_BTNHIGHLIGHT)) << "the gripper's lit side";
    EXPECT_EQ(GetPixel(dc, 4, middle), GetSysColor(COLOR_BTNSHADOW)) << "the gripper's shaded side";
    EXPECT_EQ(GetPixel(dc, 100, height - 1), GetSysColor(COLOR_BTNSHADOW)) << "the line along the bottom";
    ReleaseDC(toolbar, dc);
}

TEST_F(MainFrameTest, TheMaskBoxLeavesTheLogoInSightOnANarrowWindow)
{
    Start();
    HWND toolbar = Frame().GetToolBar()->Handle();
    const auto boxRight = [&] {
        RECT box = WindowRect(Frame().FilterBox());
        MapWindowPoints(nullptr, toolbar, reinterpret_cast<POINT*>(&box), 2);
        return box.right;
    };
    EXPECT_EQ(boxRight(), Frame().GetToolBar()->ItemRect(10).right);

    MoveWindow(Frame().Handle(), 40, 30, 330, 400, TRUE);
    Pump();
    RECT client;
    GetClientRect(toolbar, &client);
    EXPECT_EQ(boxRight(), client.right - 100);
    EXPECT_EQ(ChildWindowFromPointEx(toolbar, POINT{client.right - 99, client.bottom / 2}, CWP_SKIPINVISIBLE),
              toolbar);

    MoveWindow(Frame().Handle(), 40, 30, 900, 400, TRUE);
    Pump();
    EXPECT_EQ(boxRight(), Frame().GetToolBar()->ItemRect(10).right);
}

TEST_F(MainFrameTest, TheAboutBoxLinkIsUnderlinedAndSaysWhenItCannotOpen)
{
    Start();
    CAboutDlg about;
    ASSERT_TRUE(about.CreateModeless(Frame().Handle()));
    HWND link = about.Item(IDC_ABOUT_LINK);
    LOGFONTW font{};
    ASSERT_TRUE(GetObjectW(reinterpret_cast<HFONT>(SendMessageW(link, WM_GETFONT, 0, 0)), sizeof font, &font));
    EXPECT_TRUE(font.lfUnderline);

    std::vector<ShellLaunch> asked;
    SetShellLaunchHandler([&](const ShellLaunch& launch) {
        asked.push_back(launch);
        return false;
    });
    SendMessageW(about.Handle(), WM_COMMAND, MAKEWPARAM(IDC_ABOUT_LINK, STN_CLICKED), reinterpret_cast<LPARAM>(link));
    SetShellLaunchHandler(nullptr);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_TRUE(asked[0].noErrorUi) << "the shell must not show a box of its own first";
    std::vector<RecordedMessageBox> shown = boxes.Boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"Can't open file\n" + asked[0].file.substr(7));
    EXPECT_EQ(shown[0].owner, about.Handle());
    EXPECT_EQ(shown[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    DestroyWindow(about.Handle());
}

TEST_F(MainFrameTest, HelpOpensTheHelpFileMaximised)
{
    Start();
    Frame().RouteCommand(ID_HELP_CONTENTS);
    ASSERT_EQ(launches.launches.size(), 1u);
    EXPECT_EQ(launches.launches[0].verb, L"open");
    EXPECT_EQ(launches.launches[0].file, SweepApp::GetAppFolder() + L"\\Help\\SweepHelp.chm");
    EXPECT_EQ(launches.launches[0].show, SW_SHOWMAXIMIZED);
}

// F1 as the keyboard sends it: the system turns it into WM_HELP, which goes up
// from the focused control, or from a dialog to its owner.
TEST_F(MainFrameTest, F1OpensTheHelpFileOnceFromEachPaneAndFromTheDialogs)
{
    Start();
    SetForegroundWindow(Frame().Handle());
    INPUT keys[2] = {{INPUT_KEYBOARD, {}}, {INPUT_KEYBOARD, {}}};
    keys[0].ki.wVk = keys[1].ki.wVk = VK_F1;
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    for (HWND pane : {Frame().DirView().FolderList(), Frame().ResultView().Files().Handle()}) {
        SetFocus(pane);
        const size_t before = launches.launches.size();
        ASSERT_EQ(SendInput(2, keys, sizeof(INPUT)), 2u);
        ASSERT_TRUE(PumpUntil([&] { return launches.launches.size() > before; }));
        Pump();
        EXPECT_EQ(launches.launches.size(), before + 1);
    }
    CAboutDlg about;
    ASSERT_TRUE(about.CreateModeless(Frame().Handle()));
    HELPINFO help{sizeof help, HELPINFO_WINDOW, IDOK, GetDlgItem(about.Handle(), IDOK), 0, {0, 0}};
    SendMessageW(about.Handle(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    DestroyWindow(about.Handle());
    ASSERT_EQ(launches.launches.size(), 3u);
    EXPECT_EQ(launches.launches[2].file, SweepApp::GetAppFolder() + L"\\Help\\SweepHelp.chm");
}

// Whether a text of a dialog fits as its control draws it: statics wrap at
// words, check boxes keep one line beside their box.
bool TextFits(HWND control)
{
    wchar_t name[16] = {}, text[256] = {};
    GetClassNameW(control, name, 16);
    const bool checkBox = std::wstring(name) == L"Button" &&
                          (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
    if (!GetWindowTextW(control, text, 256) || (std::wstring(name) != L"Static" && !checkBox))
        return true;
    const int box = checkBox ? GetSystemMetrics(SM_CXMENUCHECK) + 4 : 0;
    RECT room, needed{0, 0, 0, 0};
    GetClientRect(control, &room);
    needed.right = room.right - box;
    WindowDC dc(control);
    SelectScope font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
    DrawTextW(dc.get(), text, -1, &needed, DT_CALCRECT | (checkBox ? DT_SINGLELINE : DT_WORDBREAK));
    return needed.right + box <= room.right && needed.bottom <= room.bottom;
}

INT_PTR CALLBACK PlainDialogProc(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST(DialogTexts, EveryTextOfTheDialogsFitsItsControl)
{
    TestApplication();
    for (UINT id : {IDD_ABOUTBOX, IDD_INSTALL, IDD_OPTIONS, IDD_SELECT_FILES}) {
        HWND dialog =
            CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), nullptr, PlainDialogProc, 0);
        for (HWND control = GetWindow(dialog, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT))
            EXPECT_TRUE(TextFits(control)) << WindowText(control);
        DestroyWindow(dialog);
    }
}

// Runs in the browser's own loop; the browser walks down to the folder it
// starts at one level after another.
std::wstring g_browserSelection;
void CALLBACK ReadBrowserAndCancel(HWND, UINT, UINT_PTR timer, DWORD)
{
    static int ticks = 0;
    HWND browser = GetActiveWindow(), folders = FindWindowExW(browser, nullptr, WC_TREEVIEWW, nullptr);
    wchar_t text[MAX_PATH] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT;
    item.hItem = TreeView_GetSelection(folders);
    item.pszText = text;
    item.cchTextMax = MAX_PATH;
    TreeView_GetItem(folders, &item);
    g_browserSelection = text;
    if (g_browserSelection.rfind(L"added last", 0) != 0 && ++ticks < 50)
        return;
    KillTimer(nullptr, timer);
    PostMessageW(browser, WM_COMMAND, IDCANCEL, 0);
}

// A folder near the top of a drive: Wine's browser does not always walk down a
// long path.
TEST_F(MainFrameTest, TheFolderBrowserStartsAtTheLastFolderAdded)
{
    const std::wstring last = L"C:\\added last " + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(last.c_str(), nullptr);
    Start();
    Doc().AddFolders({Utf8ToWide(tree.MakeFolder("first")), last});
    SetTimer(nullptr, 0, 100, ReadBrowserAndCancel);
    Frame().RouteCommand(ID_ADD_FOLDER);
    RemoveDirectoryW(last.c_str());
    EXPECT_EQ(g_browserSelection, last.substr(3));
}

TEST_F(MainFrameTest, TheLogoAtTheToolbarsEndOpensTheMakersPage)
{
    Start();
    HWND toolbar = Frame().GetToolBar()->Handle();
    RECT client;
    GetClientRect(toolbar, &client);
    SendMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right - 100, 5));
    SendMessageW(toolbar, WM_LBUTTONUP, 0, MAKELPARAM(client.right - 100, 5));
    EXPECT_TRUE(launches.launches.empty());
    SendMessageW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(client.right - 99, 5));
    ASSERT_EQ(launches.launches.size(), 1u);
    EXPECT_EQ(launches.launches[0].file, kMakerWebPage);
    Frame().RouteCommand(ID_OTHER_PROJECTS);
    ASSERT_EQ(launches.launches.size(), 2u);
    EXPECT_EQ(launches.launches[1].file, kMakerWebPage);
}

TEST_F(MainFrameTest, MenuItemsShowTheirPromptsInTheStatusBar)
{
    Start();
    SendMessageW(Frame().Handle(), WM_MENUSELECT, MAKEWPARAM(ID_GO, 0), reinterpret_cast<LPARAM>(GetMenu(Frame().Handle())));
    EXPECT_EQ(Frame().GetStatusBar().Text(0), L"Start searching identical files");
    SendMessageW(Frame().Handle(), WM_MENUSELECT, MAKEWPARAM(ID_REMOVE_ALL_FOLDERS, 0),
                 reinterpret_cast<LPARAM>(GetMenu(Frame().Handle())));
    EXPECT_EQ(Frame().GetStatusBar().Text(0), L"");
    SendMessageW(Frame().Handle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(Frame().GetStatusBar().Text(0), L"Ready");
}

TEST_F(MainFrameTest, ButtonsShowTheirPromptsInTheStatusBar)
{
    Start();
    HWND toolbar = Frame().GetToolBar()->Handle();
    const auto hover = [&](UINT id, DWORD flags) {
        NMTBHOTITEM hot{};
        hot.hdr = {toolbar, ID_TOOLBAR_WINDOW, static_cast<UINT>(TBN_HOTITEMCHANGE)};
        hot.idNew = static_cast<int>(id);
        hot.dwFlags = flags;
        SendMessageW(Frame().Handle(), WM_NOTIFY, ID_TOOLBAR_WINDOW, reinterpret_cast<LPARAM>(&hot));
        return Frame().GetStatusBar().Text(0);
    };
    EXPECT_EQ(hover(ID_OPTIONS, HICF_MOUSE), L"Change options");
    EXPECT_EQ(hover(ID_TOOLBAR_FILTER_FIRST, HICF_MOUSE), L"");
    EXPECT_EQ(hover(0, HICF_LEAVING), L"Ready");

    // A pressed button lets go of its prompt, though the pointer never leaves it.
    EXPECT_EQ(hover(ID_GO, HICF_MOUSE), L"Start searching identical files");
    SendMessageW(Frame().Handle(), WM_COMMAND, ID_GO, reinterpret_cast<LPARAM>(toolbar));
    Pump();
    EXPECT_EQ(Frame().GetStatusBar().Text(0), L"Ready");
}

// Keys posted to the focused control go through the program's message loop.
void PressKey(UINT key, BYTE shift = 0)
{
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift;
    SetKeyboardState(keys);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    Pump();
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    Pump();
}

TEST_F(MainFrameTest, TabGoesRoundTheMaskBoxAndThePanesAndTheFocusedPaneShowsIt)
{
    Start();
    HWND folders = Frame().DirView().FolderList(), files = Frame().ResultView().Files().Handle();
    HWND mask = Frame().FilterBox();
    HWND panes[] = {Frame().DirView().Handle(), Frame().StatView().Handle(), Frame().ResultView().Handle()};
    SetFocus(folders);
    const std::pair<HWND, HWND> rounds[] = {
        {Frame().StatView().FiguresList(), panes[1]}, {files, panes[2]}, {mask, nullptr}, {folders, panes[0]}};
    for (const auto& [control, pane] : rounds) {
        PressKey(VK_TAB);
        EXPECT_TRUE(GetFocus() == control || IsChild(control, GetFocus()));
        for (HWND view : panes)
            EXPECT_EQ(GetPixel(WindowDC(view).get(), 0, 0),
                      view == pane ? GetSysColor(COLOR_ACTIVECAPTION) : RGB(55, 55, 55));
    }
    PressKey(VK_TAB, 0x80);
    EXPECT_TRUE(IsChild(mask, GetFocus()));
}

// As the menus show; and each menu of the bar opens with Alt and a letter.
TEST_F(MainFrameTest, EnterInTheMaskBoxAndF5StartTheSearch)
{
    tree.Write("one/a", "same");
    tree.Write("two/a", "same");
    Start();
    Doc().AddFolders({Utf8ToWide(tree.Root())});
    for (const auto& [focus, key] : {std::pair{GetWindow(Frame().FilterBox(), GW_CHILD), VK_RETURN},
                                     std::pair{Frame().DirView().FolderList(), VK_F5}}) {
        Frame().ResultView().EmptyList();
        SetFocus(focus);
        PressKey(key);
        EXPECT_TRUE(PumpUntil([&] { return !Doc().m_bBusy && Frame().ResultView().LineCount() == 2; }));
    }
    wchar_t text[32] = {};
    for (UINT i : {0u, 1u, 2u})
        EXPECT_TRUE(GetMenuStringW(GetMenu(Frame().Handle()), i, text, 32, MF_BYPOSITION) && wcschr(text, L'&'));
}

TEST_F(MainFrameTest, NextPaneMovesTheFocusAlongThePanes)
{
    Start();
    SetFocus(Frame().DirView().Handle());
    Frame().RouteCommand(ID_NEXT_PANE);
    EXPECT_EQ(Frame().ActiveView(), static_cast<FormView*>(&Frame().StatView()));
    Frame().RouteCommand(ID_PREV_PANE);
    Frame().RouteCommand(ID_PREV_PANE);
    EXPECT_EQ(Frame().ActiveView(), static_cast<FormView*>(&Frame().ResultView()));
}

TEST_F(MainFrameTest, ClosingKeepsTheMaskHistoryAndThePlacement)
{
    Start();
    MoveWindow(Frame().Handle(), 40, 30, 640, 500, TRUE);
    SetWindowTextW(Frame().FilterBox(), L"*.doc");
    Frame().GetFilterMask();
    Close();
    RegistryKey settings;
    ASSERT_TRUE(settings.Open(HKEY_CURRENT_USER, kSettingsKeyPath));
    EXPECT_EQ(settings.QueryString(L"00_filter"), L"*.doc");
    std::optional<std::vector<BYTE>> record = settings.QueryBinary(L"MainWndPos");
    ASSERT_TRUE(record && record->size() == sizeof(SavedWindowPos));
    SavedWindowPos pos{};
    std::memcpy(&pos, record->data(), sizeof pos);
    EXPECT_EQ(pos.left, 40);
    EXPECT_EQ(pos.right, 680);
}

LRESULT CALLBACK CountColourChanges(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                    DWORD_PTR heard)
{
    if (message == WM_SYSCOLORCHANGE)
        ++*reinterpret_cast<int*>(heard);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

TEST_F(MainFrameTest, NewSystemColoursReachTheControls)
{
    Start();
    int heard = 0;
    HWND files = Frame().ResultView().Files().Handle();
    ASSERT_TRUE(SetWindowSubclass(files, CountColourChanges, 1, reinterpret_cast<DWORD_PTR>(&heard)));
    SendMessageW(Frame().Handle(), WM_SYSCOLORCHANGE, 0, 0);
    RemoveWindowSubclass(files, CountColourChanges, 1);
    EXPECT_EQ(heard, 1);
}

}  // namespace
}  // namespace twinsweep::test
