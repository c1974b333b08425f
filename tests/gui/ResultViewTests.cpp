#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "controls/ViewPainting.h"
#include "document/CDFDoc.h"
#include "document/SearchMessages.h"
#include "engine/SearchJob.h"
#include "framework/Controls.h"
#include "framework/Gdi.h"
#include "platform/FileSystem.h"
#include "resources/resource.h"
#include "tests/gui/GuiTest.h"
#include "tests/support/ForwardingFileSystem.h"
#include "tests/support/TempTree.h"
#include "tests/support/Win32Support.h"
#include "views/CResultView.h"
#include "views/CStatView.h"
#include "win32/Handles.h"
#include "win32/Utf16.h"

namespace twinsweep::test {
namespace {

using Texts = std::vector<std::wstring>;
using Lines = std::vector<int>;

struct File {
    std::string path;
    uint64_t size;
};

constexpr uint64_t kGiB = 1ull << 30;

bool Exists(const std::string& path)
{
    return GetFileAttributesW(Utf8ToWide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring FileName(const std::string& path)
{
    const std::wstring wide = Utf8ToWide(path);
    return wide.substr(wide.find_last_of(L'\\') + 1);
}

// Names no earlier run has left in the recycle bin.
std::string UniqueTag()
{
    static int counter = 0;
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64()) + "-" +
           std::to_string(++counter);
}

// Wine's recycle bin is the desktop's trash folder under XDG_DATA_HOME.
std::wstring TrashFiles()
{
    wchar_t value[1024] = {};
    std::wstring base;
    if (GetEnvironmentVariableW(L"XDG_DATA_HOME", value, 1024))
        base = value;
    else if (GetEnvironmentVariableW(L"HOME", value, 1024))
        base = std::wstring(value) + L"/.local/share";
    else
        return {};
    for (wchar_t& c : base)
        c = c == L'/' ? L'\\' : c;
    return L"Z:" + base + L"\\Trash\\files\\";
}

// Answers the shell's dialogs of this process from a second thread while the
// test thread waits inside the shell's modal loop. The first yes/no question
// gets the test's answer, any later one (such as an offer to delete for good
// what the bin refused) gets No; notices with only OK get OK.
class ShellDialogAnswerer {
public:
    explicit ShellDialogAnswerer(int firstAnswer) : m_firstAnswer(firstAnswer), m_thread([this] { Run(); }) {}
    ~ShellDialogAnswerer()
    {
        m_stop = true;
        m_thread.join();
    }
    ShellDialogAnswerer(const ShellDialogAnswerer&) = delete;
    ShellDialogAnswerer& operator=(const ShellDialogAnswerer&) = delete;

    int Questions() const { return m_questions; }

private:
    void Run()
    {
        while (!m_stop) {
            EnumWindows(Visit, reinterpret_cast<LPARAM>(this));
            Sleep(50);
        }
    }

    static BOOL CALLBACK Visit(HWND window, LPARAM self)
    {
        reinterpret_cast<ShellDialogAnswerer*>(self)->Answer(window);
        return TRUE;
    }

    void Answer(HWND dialog)
    {
        DWORD process = 0;
        GetWindowThreadProcessId(dialog, &process);
        wchar_t name[16] = {};
        GetClassNameW(dialog, name, 16);
        if (process != GetCurrentProcessId() || !IsWindowVisible(dialog) || std::wstring(name) != L"#32770" ||
            m_answered.count(dialog))
            return;
        int answer;
        if (GetDlgItem(dialog, IDYES))
            answer = m_questions++ == 0 ? m_firstAnswer : IDNO;
        else if (GetDlgItem(dialog, IDOK))
            answer = IDOK;
        else
            return;  // a progress window: it goes by itself
        m_answered.insert(dialog);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, answer)));
    }

    const int m_firstAnswer;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_questions{0};
    std::set<HWND> m_answered;
    std::thread m_thread;
};

// Holds a key down for the thread's view of the keyboard.
class HeldKey {
public:
    explicit HeldKey(int key)
    {
        GetKeyboardState(m_saved);
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[key] = 0x80;
        SetKeyboardState(keys);
    }
    ~HeldKey() { SetKeyboardState(m_saved); }
    HeldKey(const HeldKey&) = delete;
    HeldKey& operator=(const HeldKey&) = delete;

private:
    BYTE m_saved[256] = {};
};

// Where a context menu appeared; it is closed again at once.
struct MenuSighting {
    bool seen = false;
    RECT rect{};
};
MenuSighting* g_sighting = nullptr;

BOOL CALLBACK FindVisibleMenu(HWND window, LPARAM found)
{
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) != L"#32768" || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR, DWORD)
{
    HWND menu = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindVisibleMenu, reinterpret_cast<LPARAM>(&menu));
    if (menu && g_sighting) {
        g_sighting->seen = true;
        GetWindowRect(menu, &g_sighting->rect);
    }
    EndMenu();
}

MenuSighting OpenContextMenu(HWND view, LPARAM point)
{
    MenuSighting sighting;
    g_sighting = &sighting;
    const UINT_PTR timer = SetTimer(nullptr, 0, 150, CloseMenu);
    SendMessageW(view, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view), point);
    KillTimer(nullptr, timer);
    g_sighting = nullptr;
    return sighting;
}

bool IsEnabled(HMENU menu, UINT command)
{
    return (GetMenuState(menu, command, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

// The list's client area as it paints itself.
PixelCapture ListSnapshot(HWND list)
{
    RECT client;
    GetClientRect(list, &client);
    return PixelCapture(client.right, client.bottom, [list](HDC dc) {
        SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT | PRF_ERASEBKGND);
    });
}

class ResultViewTest : public ::testing::Test {
protected:
    ResultViewTest() : statHost(stats, document), host(view, document) {}

    HWND List() { return view.Files().Handle(); }

    // A group as the search reports it; the view takes its entries.
    void SendGroup(const std::vector<File>& files)
    {
        DupGroup group;
        for (const File& file : files) {
            group.entries.push_back(std::make_unique<DupFileEntry>());
            group.entries.back()->strPath = file.path;
            group.entries.back()->dwSize = file.size;
            group.entries.back()->stamp = PlatformFileSystem().StateOf(file.path);
        }
        SendMessageW(view.Handle(), WM_RESULT_ADDGROUP, reinterpret_cast<WPARAM>(&group),
                     static_cast<LPARAM>(group.ByteTotal()));
        for (const auto& entry : group.entries)
            EXPECT_EQ(entry, nullptr);
    }

    Texts LineTexts()
    {
        Texts texts;
        for (int i = 0; i < view.LineCount(); ++i)
            texts.push_back(view.Files().Text(i));
        return texts;
    }

    // "F" first, "L" last, "FL" both, "" neither, for each line.
    std::vector<std::string> Roles()
    {
        std::vector<std::string> roles;
        for (int i = 0; i < view.LineCount(); ++i) {
            const DupFileEntry* entry = view.Files().Entry(i);
            roles.push_back(std::string(entry->bFirstInGroup ? "F" : "") + (entry->bLastInGroup ? "L" : ""));
        }
        return roles;
    }

    // The figures follow the groups a moment later.
    Texts Statistics()
    {
        EXPECT_TRUE(PumpUntil([&] {
            const Texts shown = ShownStatistics();
            return shown[0] == std::to_wstring(view.m_nTotalFiles) && shown[2] == std::to_wstring(view.m_nGroups);
        }));
        return ShownStatistics();
    }

    Texts ShownStatistics()
    {
        Texts values;
        for (int row = 0; row < 5; ++row)
            values.push_back(ListViewText(stats.FiguresList(), row, 1));
        return values;
    }

    void Select(const Lines& lines)
    {
        SendMessageW(List(), LB_SETSEL, FALSE, -1);
        for (int line : lines)
            SendMessageW(List(), LB_SETSEL, TRUE, line);
    }

    Lines Selected() { return view.Files().SelectedLines(); }

    void Command(UINT id) { SendMessageW(view.Handle(), WM_COMMAND, id, 0); }

    bool CommandEnabled(UINT id)
    {
        CommandState state{id};
        return view.OnUpdateCommand(state) && state.enabled;
    }

    int LineHeight() { return static_cast<int>(SendMessageW(List(), LB_GETITEMHEIGHT, 0, 0)); }

    // A screen point inside a line of the list.
    LPARAM ScreenPointOfLine(int line)
    {
        POINT at{30, line * LineHeight() + LineHeight() / 2};
        ClientToScreen(List(), &at);
        return MAKELPARAM(at.x, at.y);
    }

    int Extent() { return static_cast<int>(SendMessageW(List(), LB_GETHORIZONTALEXTENT, 0, 0)); }

    int TextWidth(const std::wstring& text)
    {
        WindowDC dc(List());
        SelectScope font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(List(), WM_GETFONT, 0, 0)));
        SIZE size{};
        GetTextExtentPoint32W(dc.get(), text.c_str(), static_cast<int>(text.size()), &size);
        return size.cx;
    }

    CDFDoc document;
    CStatView stats;
    CResultView view;
    ViewHost statHost;
    ViewHost host;
};

const std::vector<File> kThree = {{"C:\\photos\\a.jpg", 100}, {"C:\\backup\\a.jpg", 200}, {"D:\\old\\a.jpg", 300}};
const std::vector<File> kTwo = {{"C:\\docs\\b.txt", 10}, {"C:\\docs\\copy\\b.txt", 20}};

TEST_F(ResultViewTest, RegistersWithTheDocumentWithOneTabAndTheListUnderTheCaption)
{
    HWND tabs = GetDlgItem(view.Handle(), IDC_RESULT_TABS);
    ASSERT_EQ(TabCtrl_GetItemCount(tabs), 1);
    wchar_t text[32] = {};
    TCITEMW tab{};
    tab.mask = TCIF_TEXT;
    tab.pszText = text;
    tab.cchTextMax = 32;
    TabCtrl_GetItem(tabs, 0, &tab);
    EXPECT_STREQ(text, L"Equal files");
    EXPECT_TRUE(IsWindowVisible(List()));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(view.Handle(), IDC_SECOND_FILE_LIST)));

    host.Resize(600, 400);
    RECT strip, list;
    GetWindowRect(tabs, &strip);
    GetWindowRect(List(), &list);
    MapWindowPoints(nullptr, view.Handle(), reinterpret_cast<POINT*>(&strip), 2);
    EXPECT_EQ(strip.top, kCaptionHeight);
    TabCtrl_AdjustRect(tabs, FALSE, &strip);
    MapWindowPoints(nullptr, view.Handle(), reinterpret_cast<POINT*>(&list), 2);
    EXPECT_EQ(list.left, strip.left);
    EXPECT_EQ(list.top, strip.top);
    EXPECT_EQ(list.right, strip.right);
    EXPECT_EQ(list.bottom, strip.bottom);
}

TEST_F(ResultViewTest, AGroupOfThreeArrivesAsThreeLinesWithItsRolesAndCounters)
{
    SendMessageW(view.Handle(), WM_RESULT_FILECOUNT, 40, 0);
    SendGroup(kThree);
    EXPECT_EQ(LineTexts(), (Texts{L"C:\\photos\\a.jpg", L"C:\\backup\\a.jpg", L"D:\\old\\a.jpg"}));
    EXPECT_EQ(Roles(), (std::vector<std::string>{"F", "", "L"}));
    EXPECT_EQ(view.m_nGroups, 1);
    EXPECT_EQ(view.m_nTotalSize, 600u);
    EXPECT_EQ(view.m_nNeedlessSize, 500u);
    EXPECT_EQ(Statistics(), (Texts{L"40", L"3", L"1", L"600 bytes", L"500 bytes"}));

    SendGroup(kTwo);
    EXPECT_EQ(Roles(), (std::vector<std::string>{"F", "", "L", "F", "L"}));
    EXPECT_EQ(Statistics(), (Texts{L"40", L"5", L"2", L"630 bytes", L"520 bytes"}));
}

TEST_F(ResultViewTest, LinesShowAGreySeparatorUnderEachGroupAndTheMarksInTheHighlight)
{
    SendGroup(kThree);
    SendGroup(kTwo);
    Select({1});
    // The list paints again once the burst of lines has been fitted.
    ASSERT_TRUE(PumpUntil([&] { return Extent() > 0; }));
    Pump();
    const int h = LineHeight();
    ASSERT_GE(h, 17);
    const PixelCapture list = ListSnapshot(List());
    const int x = list.Width() - 4;
    EXPECT_EQ(list.Pixel(x, 3 * h - 1), RGB(163, 163, 163));
    EXPECT_EQ(list.Pixel(x, 5 * h - 1), RGB(163, 163, 163));
    EXPECT_EQ(list.Pixel(x, h - 1), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(list.Pixel(x, h + h / 2), GetSysColor(COLOR_HIGHLIGHT));
    EXPECT_EQ(list.Pixel(x, 4 * h - 1), GetSysColor(COLOR_WINDOW));
    int iconPixels = 0;
    for (int y = 0; y < 16; ++y)
        for (int ix = 2; ix < 18; ++ix)
            iconPixels += list.Pixel(ix, y) != GetSysColor(COLOR_WINDOW) ? 1 : 0;
    EXPECT_GT(iconPixels, 10);
}

// A search keeps adding groups: the paint the list asks for after one burst
// comes while the next burst holds its painting back. The lines must show once
// that burst is over, on the screen.
TEST_F(ResultViewTest, APaintAskedForWhileGroupsArriveIsCarriedOutAfterThem)
{
    for (int group = 0; group < 41; ++group) {
        if (group == 40) {
            ASSERT_TRUE(PumpUntil([&] { return Extent() > 0; }));
            InvalidateRect(List(), nullptr, FALSE);
        }
        SendGroup({{"C:\\g" + std::to_string(group) + "\\one.dat", 1}, {"C:\\copy\\one.dat", 1}});
    }
    Pump();
    EXPECT_TRUE(PumpUntil([&] {
        WindowDC dc(List());
        for (int x = 22; x < 100; ++x)
            if (GetPixel(dc.get(), x, LineHeight() / 2) != GetSysColor(COLOR_WINDOW))
                return true;
        return false;
    }));
}

TEST_F(ResultViewTest, RemovingTheFirstLineOfAGroupMakesTheSecondTheFirst)
{
    SendGroup(kThree);
    Select({0});
    ASSERT_TRUE(CommandEnabled(ID_REMOVE_SELECTED_ITEMS));
    Command(ID_REMOVE_SELECTED_ITEMS);
    EXPECT_EQ(LineTexts(), (Texts{L"C:\\backup\\a.jpg", L"D:\\old\\a.jpg"}));
    EXPECT_EQ(Roles(), (std::vector<std::string>{"F", "L"}));
    EXPECT_EQ(view.m_nGroups, 1);
    EXPECT_EQ(view.m_nTotalSize, 500u);
    EXPECT_EQ(view.m_nNeedlessSize, 300u);
    EXPECT_TRUE(Selected().empty());
}

TEST_F(ResultViewTest, RemovingTwoOfThreeLinesLeavesAGroupOfOne)
{
    SendGroup(kThree);
    SendGroup(kTwo);
    Select({1, 2});
    Command(ID_REMOVE_SELECTED_ITEMS);
    EXPECT_EQ(LineTexts(), (Texts{L"C:\\photos\\a.jpg", L"C:\\docs\\b.txt", L"C:\\docs\\copy\\b.txt"}));
    EXPECT_EQ(Roles(), (std::vector<std::string>{"FL", "F", "L"}));
    EXPECT_EQ(Statistics(), (Texts{L"0", L"3", L"2", L"130 bytes", L"20 bytes"}));

    // A group that loses all its lines is gone; its neighbours keep their roles.
    Select({0});
    Command(ID_REMOVE_SELECTED_ITEMS);
    EXPECT_EQ(Roles(), (std::vector<std::string>{"F", "L"}));
    EXPECT_EQ(view.m_nGroups, 1);
}

TEST_F(ResultViewTest, RecountGroupsRebuildsTheCountersFromTheLinesButKeepsTotalFiles)
{
    SendMessageW(view.Handle(), WM_RESULT_FILECOUNT, 9, 0);
    SendGroup(kThree);
    SendGroup(kTwo);
    view.m_nGroups = 99;
    view.m_nTotalSize = 1;
    view.m_nNeedlessSize = 7;
    view.RecountGroups();
    EXPECT_EQ(view.m_nGroups, 2);
    EXPECT_EQ(view.m_nTotalSize, 630u);
    EXPECT_EQ(view.m_nNeedlessSize, 520u);
    EXPECT_EQ(view.m_nTotalFiles, 9);
    EXPECT_EQ(Statistics(), (Texts{L"9", L"5", L"2", L"630 bytes", L"520 bytes"}));
}

TEST_F(ResultViewTest, SelectionSummaryCountsTheMarkedFilesAndTheirBytesIn64Bits)
{
    SendGroup({{"C:\\big\\1.iso", 2 * kGiB}, {"C:\\big\\2.iso", 2 * kGiB}, {"C:\\big\\3.iso", 2 * kGiB}});
    SendGroup({{"C:\\s\\1", 4096}, {"C:\\s\\2", 4096}, {"C:\\s\\3", 4096}});
    EXPECT_EQ(view.SelectionSummary(), L"");
    Select({0, 1, 2});
    EXPECT_EQ(view.SelectionSummary(), L"3 files selected (6 GB)");
    Select({3, 4, 5});
    EXPECT_EQ(view.SelectionSummary(), L"3 files selected (12 KB)");
    EXPECT_EQ(Statistics()[3], L"6 GB");
}

TEST_F(ResultViewTest, EmptyTheListResetsAllFiveStatisticsAndLaterGroupsCountFromZero)
{
    SendMessageW(view.Handle(), WM_RESULT_FILECOUNT, 1234, 0);
    SendGroup(kThree);
    Select({1});
    ASSERT_TRUE(CommandEnabled(ID_EMPTY_LIST));
    Command(ID_EMPTY_LIST);
    EXPECT_EQ(view.LineCount(), 0);
    EXPECT_EQ(view.SelectionSummary(), L"");
    EXPECT_EQ(Statistics(), (Texts{L"0", L"0", L"0", L"0 bytes", L"0 bytes"}));
    EXPECT_FALSE(CommandEnabled(ID_EMPTY_LIST));

    SendGroup(kTwo);
    EXPECT_EQ(Statistics(), (Texts{L"0", L"2", L"1", L"30 bytes", L"20 bytes"}));
    SendMessageW(view.Handle(), WM_RESULT_FILECOUNT, 50, 0);
    EXPECT_EQ(Statistics()[0], L"50");
}

TEST_F(ResultViewTest, DoubleClickOpensTheFileOfTheCaretLine)
{
    ShellLaunchRecorder launches;
    SendGroup(kThree);
    const LPARAM at = MAKELPARAM(30, LineHeight() + LineHeight() / 2);
    SendMessageW(List(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(List(), WM_LBUTTONUP, 0, at);
    SendMessageW(List(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    SendMessageW(List(), WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(launches.launches.empty());  // opened once the click is over
    PumpUntil([&] { return !launches.launches.empty(); }, 2000);
    ASSERT_EQ(launches.launches.size(), 1u);
    EXPECT_EQ(launches.launches[0].verb, L"open");
    EXPECT_EQ(launches.launches[0].file, L"C:\\backup\\a.jpg");
    EXPECT_EQ(launches.launches[0].owner, nullptr);
}

TEST_F(ResultViewTest, FolderCommandsActOnTheCaretLinesFolderAndPropertiesOnItsFile)
{
    ShellLaunchRecorder launches;
    EXPECT_EQ(view.GetCaretPath(), L"");
    EXPECT_EQ(view.GetCaretFolder(), L"");
    for (UINT id : {ID_EXPLORE_FILE_FOLDER, ID_OPEN_FILE_FOLDER, ID_FILE_PROPERTIES}) {
        EXPECT_FALSE(CommandEnabled(id));
        view.OnCommand(id);
    }
    EXPECT_TRUE(launches.launches.empty());

    SendGroup(kThree);
    SendMessageW(List(), LB_SETCARETINDEX, 2, FALSE);
    EXPECT_EQ(view.GetCaretPath(), L"D:\\old\\a.jpg");
    EXPECT_EQ(view.GetCaretFolder(), L"D:\\old\\");
    for (UINT id : {ID_EXPLORE_FILE_FOLDER, ID_OPEN_FILE_FOLDER, ID_FILE_PROPERTIES})
        Command(id);
    ASSERT_EQ(launches.launches.size(), 3u);
    EXPECT_EQ(launches.launches[0].verb, L"open");
    EXPECT_EQ(launches.launches[0].file, L"explorer.exe");
    EXPECT_EQ(launches.launches[0].parameters, L"/select,\"D:\\old\\a.jpg\"") << "the file selected in its folder";
    EXPECT_EQ(launches.launches[1].verb, L"open");
    EXPECT_EQ(launches.launches[1].file, L"D:\\old\\");
    EXPECT_EQ(launches.launches[2].verb, L"properties");
    EXPECT_EQ(launches.launches[2].file, L"D:\\old\\a.jpg");
    EXPECT_TRUE(launches.launches[2].invokeIdList);

    SendGroup({{"C:nodir.txt", 1}, {"\\\\server\\share\\x.txt", 1}});
    SendMessageW(List(), LB_SETCARETINDEX, 3, FALSE);
    EXPECT_EQ(view.GetCaretFolder(), L"C:");
    SendMessageW(List(), LB_SETCARETINDEX, 4, FALSE);
    EXPECT_EQ(view.GetCaretFolder(), L"\\\\server\\share\\");
}

TEST_F(ResultViewTest, BuildSelectedPathListEndsEachPathAndTheListWithANul)
{
    SendGroup(kThree);
    EXPECT_TRUE(view.BuildSelectedPathList().empty());
    Select({2, 0});
    std::wstring expected = L"C:\\photos\\a.jpg";
    expected += L'\0';
    expected += L"D:\\old\\a.jpg";
    expected += L'\0';
    expected += L'\0';
    EXPECT_EQ(view.BuildSelectedPathList(), expected);
}

TEST_F(ResultViewTest, RightClickWithCtrlOnAnUnmarkedLineAddsItToTheMarks)
{
    SendGroup(kThree);
    SendGroup(kTwo);
    Select({0});
    {
        HeldKey control(VK_CONTROL);
        OpenContextMenu(view.Handle(), ScreenPointOfLine(3));
    }
    EXPECT_EQ(Selected(), (Lines{0, 3}));
    EXPECT_EQ(view.Files().CaretLine(), 3);

    // Without Ctrl it marks the line alone, as a left click does.
    OpenContextMenu(view.Handle(), ScreenPointOfLine(1));
    EXPECT_EQ(Selected(), (Lines{1}));
}

TEST_F(ResultViewTest, RightClickOnAMarkedLineKeepsAllMarksAndMovesTheCaret)
{
    SendGroup(kThree);
    SendGroup(kTwo);
    Select({0, 2, 4});
    SendMessageW(List(), LB_SETCARETINDEX, 0, FALSE);
    const MenuSighting menu = OpenContextMenu(view.Handle(), ScreenPointOfLine(2));
    EXPECT_TRUE(menu.seen);
    EXPECT_EQ(Selected(), (Lines{0, 2, 4}));
    EXPECT_EQ(view.Files().CaretLine(), 2);
}

TEST_F(ResultViewTest, ContextMenuFromTheKeyboardOpensUnderTheCaretLine)
{
    SendGroup(kThree);
    Select({0});
    SendMessageW(List(), LB_SETCARETINDEX, 1, FALSE);
    const MenuSighting menu = OpenContextMenu(view.Handle(), MAKELPARAM(-1, -1));
    ASSERT_TRUE(menu.seen);
    POINT expected{0, 2 * LineHeight()};
    ClientToScreen(List(), &expected);
    EXPECT_EQ(menu.rect.left, expected.x);
    EXPECT_EQ(menu.rect.top, expected.y);
    EXPECT_EQ(Selected(), (Lines{0}));

    Command(ID_EMPTY_LIST);
    const MenuSighting empty = OpenContextMenu(view.Handle(), MAKELPARAM(-1, -1));
    ASSERT_TRUE(empty.seen);
    POINT corner{0, 0};
    ClientToScreen(List(), &corner);
    EXPECT_EQ(empty.rect.left, corner.x);
    EXPECT_EQ(empty.rect.top, corner.y);
}

TEST_F(ResultViewTest, ContextMenuItemsFollowTheLinesAndTheMarks)
{
    const UINT withLines[] = {ID_EMPTY_LIST, ID_EXPLORE_FILE_FOLDER, ID_OPEN_FILE_FOLDER, ID_FILE_PROPERTIES};
    const UINT withMarks[] = {ID_REMOVE_SELECTED_ITEMS, ID_DELETE_SELECTED_FILES};
    {
        ContextMenu menu = view.PrepareContextMenu();
        ASSERT_NE(menu.Popup(), nullptr);
        EXPECT_EQ(GetMenuItemCount(menu.Popup()), 11);
        for (UINT id : withLines)
            EXPECT_FALSE(IsEnabled(menu.Popup(), id)) << id;
        for (UINT id : withMarks)
            EXPECT_FALSE(IsEnabled(menu.Popup(), id)) << id;
    }
    SendGroup(kThree);
    {
        ContextMenu menu = view.PrepareContextMenu();
        for (UINT id : withLines)
            EXPECT_TRUE(IsEnabled(menu.Popup(), id)) << id;
        EXPECT_TRUE(IsEnabled(menu.Popup(), ID_SELECT_FILES));
        for (UINT id : withMarks)
            EXPECT_FALSE(IsEnabled(menu.Popup(), id)) << id;
    }
    Select({1});
    ContextMenu menu = view.PrepareContextMenu();
    for (UINT id : withMarks) {
        EXPECT_TRUE(IsEnabled(menu.Popup(), id)) << id;
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_CHECKMARKS;
        GetMenuItemInfoW(menu.Popup(), id, FALSE, &item);
        EXPECT_NE(item.hbmpUnchecked, nullptr);
        EXPECT_EQ(item.hbmpChecked, item.hbmpUnchecked);
    }
}

class ResultViewDeleteTest : public ResultViewTest {
protected:
    // Three equal files of a group, each with a name of its own.
    void MakeGroup()
    {
        const std::string tag = UniqueTag();
        for (const char* name : {"a", "b", "c"})
            files.push_back(tree.Write(std::string(name) + "/doomed-" + tag + "-" + name + ".txt", "same"));
        SendGroup({{files[0], 4}, {files[1], 4}, {files[2], 4}});
    }

    TempTree tree;
    std::vector<std::string> files;
};

TEST_F(ResultViewDeleteTest, ConfirmedDeletionSendsTheMarkedFilesToTheBinAndDropsTheirLines)
{
    MakeGroup();
    Select({0, 2});
    {
        ShellDialogAnswerer answerer(IDYES);
        Command(ID_DELETE_SELECTED_FILES);
        EXPECT_EQ(answerer.Questions(), 1);
    }
    EXPECT_FALSE(Exists(files[0]));
    EXPECT_TRUE(Exists(files[1]));
    EXPECT_FALSE(Exists(files[2]));
    EXPECT_EQ(LineTexts(), (Texts{Utf8ToWide(files[1])}));
    EXPECT_EQ(Roles(), (std::vector<std::string>{"FL"}));
    EXPECT_EQ(Statistics(), (Texts{L"0", L"1", L"1", L"4 bytes", L"0 bytes"}));
    const std::wstring trash = TrashFiles();
    ASSERT_FALSE(trash.empty());
    for (size_t i : {0u, 2u})
        EXPECT_NE(GetFileAttributesW((trash + FileName(files[i])).c_str()), INVALID_FILE_ATTRIBUTES) << i;
}

TEST_F(ResultViewDeleteTest, CancelledDeletionKeepsFilesLinesAndMarks)
{
    MakeGroup();
    Select({0, 2});
    {
        ShellDialogAnswerer answerer(IDNO);
        Command(ID_DELETE_SELECTED_FILES);
        EXPECT_EQ(answerer.Questions(), 1);
    }
    for (const std::string& file : files)
        EXPECT_TRUE(Exists(file));
    EXPECT_EQ(view.LineCount(), 3);
    EXPECT_EQ(Selected(), (Lines{0, 2}));
    EXPECT_EQ(Roles(), (std::vector<std::string>{"F", "", "L"}));
}

TEST_F(ResultViewDeleteTest, CtrlAMarksEveryLineAndDeleteOffersToDeleteThem)
{
    MakeGroup();
    {
        HeldKey control(VK_CONTROL);
        PostMessageW(List(), WM_KEYDOWN, 'A', 1);
        Pump();
    }
    EXPECT_EQ(Selected(), (Lines{0, 1, 2}));
    ShellDialogAnswerer answerer(IDNO);
    PostMessageW(List(), WM_KEYDOWN, VK_DELETE, 1);
    Pump();
    EXPECT_EQ(answerer.Questions(), 1);
}

std::wstring g_sheetTitle;
void CALLBACK CloseSheet(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    g_sheetTitle = WindowRef(GetActiveWindow()).Text();
    PostMessageW(GetActiveWindow(), WM_COMMAND, IDCANCEL, 0);
}

// With the real shell: the file's properties sheet comes up; for a file that is
// gone one plain message says so, instead of the system's "Invalid parameter".
TEST_F(ResultViewDeleteTest, PropertiesShowTheSheetOrSayPlainlyThatTheyCannot)
{
    MakeGroup();
    MessageBoxRecorder boxes;
    SetTimer(nullptr, 0, 500, CloseSheet);
    Command(ID_FILE_PROPERTIES);
    EXPECT_TRUE(PumpUntil([&] { return g_sheetTitle.find(FileName(files[0])) != std::wstring::npos; }));
    DeleteFileW(Utf8ToWide(files[1]).c_str());
    SendMessageW(List(), LB_SETCARETINDEX, 1, FALSE);
    Command(ID_FILE_PROPERTIES);
    EXPECT_EQ(boxes.Texts(), Texts{L"The system cannot show the properties of\n" + Utf8ToWide(files[1])});
}

TEST_F(ResultViewDeleteTest, ALockedFileThatCannotGoStaysListedAndMarked)
{
    MakeGroup();
    UniqueHandle lock(CreateFileW(Utf8ToWide(files[2]).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(lock.valid());
    Select({1, 2});
    {
        ShellDialogAnswerer answerer(IDYES);
        Command(ID_DELETE_SELECTED_FILES);
    }
    EXPECT_FALSE(Exists(files[1]));
    ASSERT_TRUE(Exists(files[2]));
    EXPECT_EQ(LineTexts(), (Texts{Utf8ToWide(files[0]), Utf8ToWide(files[2])}));
    EXPECT_EQ(Selected(), (Lines{1}));
    EXPECT_EQ(Roles(), (std::vector<std::string>{"F", "L"}));
}

// A folder put in place of a marked file since the search is left out, stays
// listed and marked, and is named; the other marked files go.
TEST_F(ResultViewDeleteTest, AMarkedPathThatNoLongerLeadsToTheFileFoundIsLeftOutAndNamed)
{
    MakeGroup();
    std::filesystem::remove(test::FromUtf8(files[1]));
    const std::string thesis = tree.Write(files[1].substr(tree.Root().size() + 1) + "/work/thesis.txt", "thesis");
    Select({0, 1});
    MessageBoxRecorder boxes;
    {
        ShellDialogAnswerer answerer(IDYES);
        Command(ID_DELETE_SELECTED_FILES);
    }
    EXPECT_FALSE(Exists(files[0]));
    EXPECT_TRUE(Exists(thesis));
    EXPECT_EQ(LineTexts(), (Texts{Utf8ToWide(files[1]), Utf8ToWide(files[2])}));
    EXPECT_EQ(Selected(), (Lines{0}));
    EXPECT_EQ(boxes.Texts(), (std::vector<std::wstring>{
                                 L"These files are no longer the ones the search found, and are not deleted:\n" +
                                 Utf8ToWide(files[1])}));
}

TEST_F(ResultViewTest, AHundredThousandLinesInGroupsGetTheWidthOfTheWidestLine)
{
    const std::wstring longest = L"C:\\" + std::wstring(180, L'W') + L"\\wide.dat";
    for (int group = 0; group < 50000; ++group) {
        const std::string folder = "C:\\data\\folder" + std::to_string(group) + "\\";
        std::vector<File> files = {{folder + "one.dat", 10}, {folder + "two.dat", 10}};
        if (group == 25000)
            files[1].path = WideToUtf8(longest);
        SendGroup(files);
        if (group % 1000 == 0)
            Pump();
    }
    ASSERT_EQ(view.LineCount(), 100000);
    EXPECT_EQ(view.m_nGroups, 50000);
    EXPECT_EQ(view.m_nNeedlessSize, 500000u);
    const int expected = TextWidth(longest) + 25;
    EXPECT_TRUE(PumpUntil([&] { return Extent() == expected; })) << Extent() << " " << expected;

    // A wider line raises the extent; once it is gone the next widest counts again.
    const std::wstring wider = longest + L"\\and\\more\\besides.dat";
    SendGroup({{WideToUtf8(wider), 1}, {"C:\\x", 1}});
    EXPECT_TRUE(PumpUntil([&] { return Extent() == TextWidth(wider) + 25; }));
    Select({100000});
    Command(ID_REMOVE_SELECTED_ITEMS);
    EXPECT_TRUE(PumpUntil([&] { return Extent() == expected; }));
    EXPECT_EQ(view.LineCount(), 100001);

    Command(ID_EMPTY_LIST);
    EXPECT_TRUE(PumpUntil([&] { return Extent() == 0; }));
}

// Four copies of one folder: the tab lists them, deletes the marked one to the
// bin and takes its files from the first tab too; folders that changed stay: one
// with a file more, one with a grouped file and one with a file only the folder
// pass read rewritten to the same size.
TEST_F(ResultViewDeleteTest, TheEqualFoldersTabListsAndDeletesFoldersAndBothTabsAgree)
{
    const std::string tag = UniqueTag();
    std::vector<std::string> folders;
    std::vector<FolderGroup> groups(1);
    for (const char* copy : {"a", "b", "c", "d"}) {
        const std::string folder = std::string(copy) + "-" + tag;
        folders.push_back(tree.Path(folder));
        files.push_back(tree.Write(folder + "/x.txt", "same"));
        files.push_back(tree.Write(folder + "/sub/y.txt", "other"));
        const std::string unlisted = tree.Write(folder + "/z.doc", "doc");
        groups[0].folders.push_back({folders.back(), 3, 12, {{unlisted, 3, false, false,
                                                               PlatformFileSystem().StateOf(unlisted)}}});
    }
    SendGroup({{files[0], 4}, {files[2], 4}, {files[4], 4}, {files[6], 4}});
    SendGroup({{files[1], 5}, {files[3], 5}, {files[5], 5}, {files[7], 5}});
    SendMessageW(view.Handle(), WM_RESULT_FOLDERGROUPS, reinterpret_cast<WPARAM>(&groups), 0);

    const HWND tabs = GetDlgItem(view.Handle(), IDC_RESULT_TABS);
    ASSERT_EQ(TabCtrl_GetItemCount(tabs), 2);
    TabCtrl_SetCurSel(tabs, 1);
    NMHDR change{tabs, IDC_RESULT_TABS, TCN_SELCHANGE};
    SendMessageW(view.Handle(), WM_NOTIFY, IDC_RESULT_TABS, reinterpret_cast<LPARAM>(&change));
    const HWND folderList = GetDlgItem(view.Handle(), IDC_SECOND_FILE_LIST);
    EXPECT_TRUE(IsWindowVisible(folderList));
    EXPECT_FALSE(IsWindowVisible(List()));
    EXPECT_EQ(view.Folders().Summary(), L"4 equal folders, 12 files, 36 bytes to free");
    ASSERT_EQ(view.Folders().LineCount(), 4);
    EXPECT_EQ(view.Folders().CaretFolder(), Utf8ToWide(folders[0]));

    SendMessageW(folderList, LB_SETSEL, TRUE, 1);
    {
        ShellDialogAnswerer answerer(IDYES);
        Command(ID_DELETE_EQUAL_FOLDERS);
        EXPECT_EQ(answerer.Questions(), 1);
    }
    EXPECT_FALSE(Exists(folders[1]));
    EXPECT_EQ(view.Folders().LineCount(), 3);
    EXPECT_EQ(LineTexts(), (Texts{Utf8ToWide(files[0]), Utf8ToWide(files[4]), Utf8ToWide(files[6]),
                                  Utf8ToWide(files[1]), Utf8ToWide(files[5]), Utf8ToWide(files[7])}));
    EXPECT_EQ(Roles(), (std::vector<std::string>{"F", "", "L", "F", "", "L"}));

    using Edit = test::ForwardingFileSystem::Edit;
    tree.Write("a-" + tag + "/new.txt", "!");
    if (!test::ForwardingFileSystem::EditFile(tree, "c-" + tag + "/sub/y.txt", Edit::Rewrite, "OTHER") ||
        !test::ForwardingFileSystem::EditFile(tree, "d-" + tag + "/z.doc", Edit::Rewrite, "DOC"))
        GTEST_SKIP() << "no Unix shell to change files with";
    MessageBoxRecorder boxes;
    for (int line : {0, 1, 2})
        SendMessageW(folderList, LB_SETSEL, TRUE, line);
    {
        ShellDialogAnswerer answerer(IDNO);
        Command(ID_DELETE_EQUAL_FOLDERS);
        EXPECT_EQ(answerer.Questions(), 0);
    }
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    for (size_t kept : {0, 2, 3})
        EXPECT_TRUE(Exists(folders[kept]));
    EXPECT_EQ(view.Folders().LineCount(), 3);

    Command(ID_EMPTY_LIST);
    EXPECT_EQ(TabCtrl_GetItemCount(tabs), 1);
    EXPECT_TRUE(IsWindowVisible(List()));
}

}  // namespace
}  // namespace twinsweep::test
