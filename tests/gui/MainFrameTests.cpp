#include <gtest/gtest.h>

#include <shlobj.h>

#include "app/Settings.h"
#include "resources/resource.h"
#include "tests/gui/MainWindow.h"
#include "views/CDirView.h"
#include "views/CResultView.h"
#include "views/CStatView.h"

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
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Mirelon\\Twinsweep", L"MainWndPos", REG_BINARY, &pos,
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
    wchar_t text[256] = {};
    SendMessageW(box, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text));
    return text;
}

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

TEST_F(MainFrameTest, ComesBackWhereItWasLeft)
{
    SaveWindowPos({0, 50, 60, 750, 560});
    Start();
    RECT rect = WindowRect(Frame().Handle());
    EXPECT_EQ(rect.left, 50);
    EXPECT_EQ(rect.top, 60);
    EXPECT_EQ(rect.right, 750);
    EXPECT_EQ(rect.bottom, 560);
}

TEST_F(MainFrameTest, ARectangleLeftOnAScreenThatIsGoneComesBackOnTheNearestOne)
{
    SaveWindowPos({0, -5000, -4000, -4300, -3500});
    Start();
    RECT rect = WindowRect(Frame().Handle());
    EXPECT_EQ(rect.right - rect.left, 700);
    EXPECT_EQ(rect.bottom - rect.top, 500);
    EXPECT_NE(MonitorFromRect(&rect, MONITOR_DEFAULTTONULL), nullptr);
}

TEST_F(MainFrameTest, ARectangleLargerThanTheScreenLeftOffItComesBackInsideIt)
{
    SaveWindowPos({0, 20000, 20000, 40000, 40000});
    Start();
    RECT rect = WindowRect(Frame().Handle());
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(Frame().Handle(), MONITOR_DEFAULTTONEAREST), &monitor));
    EXPECT_GE(rect.left, monitor.rcWork.left);
    EXPECT_GE(rect.top, monitor.rcWork.top);
    EXPECT_LE(rect.right, monitor.rcWork.right);
    EXPECT_LE(rect.bottom, monitor.rcWork.bottom);
}

TEST_F(MainFrameTest, ComesBackMaximisedWhenLeftMaximised)
{
    SaveWindowPos({1, 50, 60, 750, 560});
    Start();
    EXPECT_TRUE(PumpUntil([&] { return IsZoomed(Frame().Handle()) != FALSE; }));
}

TEST_F(MainFrameTest, TheStartMaskIsAllFilesWhateverTheHistory)
{
    RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Mirelon\\Twinsweep", L"00_filter", REG_SZ, L"*.jpg",
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

    Doc().AddFolders({Wide(tree.Root())});
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
    Doc().AddFolders({Wide(tree.MakeFolder("a")), Wide(tree.MakeFolder("b"))});
    Frame().RouteCommand(ID_REMOVE_ALL_FOLDERS);
    EXPECT_TRUE(ListedFolders().empty());
    EXPECT_EQ(ListView_GetItemCount(Frame().DirView().FolderList()), 0);
}

TEST_F(MainFrameTest, DroppedFoldersAreAddedAndFilesReportedOnce)
{
    Start();
    std::wstring a = Wide(tree.MakeFolder("a")), b = Wide(tree.MakeFolder("b")), c = Wide(tree.MakeFolder("c"));
    std::wstring file = Wide(tree.Write("file.txt", "x"));
    SendMessageW(Frame().Handle(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({a, file, b, c})), 0);
    EXPECT_EQ(ListedFolders(), (Texts{a, b, c}));
    EXPECT_EQ(boxes.Texts(), Texts{L"Your selection contained files.\nOnly directories are added."});
}

TEST_F(MainFrameTest, FolderRulesSpeakThroughMessageBoxes)
{
    Start();
    std::wstring data = Wide(tree.MakeFolder("Data")), photos = Wide(tree.MakeFolder("Data/Photos"));
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

TEST_F(MainFrameTest, HelpOpensTheHelpFileMaximised)
{
    Start();
    Frame().RouteCommand(ID_HELP_CONTENTS);
    ASSERT_EQ(launches.launches.size(), 1u);
    EXPECT_EQ(launches.launches[0].verb, L"open");
    EXPECT_EQ(launches.launches[0].file, SweepApp::GetAppFolder() + L"\\Help\\SweepHelp.chm");
    EXPECT_EQ(launches.launches[0].show, SW_SHOWMAXIMIZED);
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
    SendMessageW(Frame().Handle(), WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
    EXPECT_EQ(Frame().GetStatusBar().Text(0), L"Ready");
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
    wchar_t mask[64] = {};
    DWORD size = sizeof mask;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Mirelon\\Twinsweep", L"00_filter", RRF_RT_REG_SZ, nullptr,
                           mask, &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(mask, L"*.doc");
    SavedWindowPos pos{};
    size = sizeof pos;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Mirelon\\Twinsweep", L"MainWndPos", RRF_RT_REG_BINARY,
                           nullptr, &pos, &size),
              ERROR_SUCCESS);
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
