#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "dialogs/COptionsDlg.h"
#include "document/Settings.h"
#include "resources/resource.h"
#include "tests/gui/MainWindow.h"
#include "win32/Registry.h"

namespace twinsweep::test {
namespace {

constexpr int kRangeControls[] = {IDC_RANGE_FROM, IDC_RANGE_FROM_SPIN, IDC_RANGE_FROM_UNIT, IDC_RANGE_TO,
                                  IDC_RANGE_TO_SPIN, IDC_RANGE_TO_UNIT, IDC_RANGE_TO_TEXT};
constexpr wchar_t kNotAnInteger[] = L"Please enter an integer.";

struct SizeRange {
    int32_t on, from, fromUnit, to, toUnit;
    bool operator==(const SizeRange&) const = default;
};

SizeRange StoredRange()
{
    SizeRange range{};
    GetSizeRange(range.on, range.from, range.fromUnit, range.to, range.toUnit);
    return range;
}

// Whether the title bar is drawn in the active caption colour.
bool CaptionLooksActive(HWND window)
{
    WINDOWINFO info{};
    info.cbSize = sizeof info;
    GetWindowInfo(window, &info);
    HDC dc = GetWindowDC(window);
    const COLORREF pixel = GetPixel(dc, 60, static_cast<int>(info.cyWindowBorders) + 4);
    ReleaseDC(window, dc);
    return pixel == GetSysColor(COLOR_ACTIVECAPTION);
}

WNDPROC ProcedureOf(HWND window)
{
    return reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
}

// A procedure that something else puts on the main window while a panel is open.
WNDPROC g_laterNext = nullptr;
LRESULT CALLBACK LaterProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return CallWindowProcW(g_laterNext, hwnd, message, wParam, lParam);
}

class OptionsDlgTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        Start();
    }

    // As the toolbar button or the menu item does, from the active main window.
    HWND Open()
    {
        SetActiveWindow(Frame().Handle());
        Frame().RouteCommand(ID_OPTIONS);
        Pump();
        return panel = g_pOptionsDlg ? g_pOptionsDlg->Handle() : nullptr;
    }

    HWND Item(int id) const { return GetDlgItem(panel, id); }
    bool Checked(int id) const { return IsDlgButtonChecked(panel, id) == BST_CHECKED; }
    void SetCheck(int id, bool on) { CheckDlgButton(panel, id, on ? BST_CHECKED : BST_UNCHECKED); }
    void SetUnit(int id, int unit) { SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(unit), 0); }
    void Type(int id, const std::wstring& text) { SetWindowTextW(Item(id), text.c_str()); }
    bool Closed() const { return !g_pOptionsDlg && !IsWindow(panel); }

    // Through the message loop, as typed.
    void Key(UINT key)
    {
        HWND focus = GetFocus();
        PostMessageW(focus, WM_KEYDOWN, key, 1);
        PostMessageW(focus, WM_KEYUP, key, 0xC0000001);
        Pump();
    }

    void ClickElsewhere()
    {
        SetActiveWindow(Frame().Handle());
        Pump();
    }

    HWND panel = nullptr;
};

TEST_F(OptionsDlgTest, DropsFromTheOptionsButtonAsAPartOfTheMainWindow)
{
    HWND frame = Frame().Handle(), toolbar = Frame().GetToolBar()->Handle();
    const WNDPROC frameProc = ProcedureOf(frame);
    RECT button = Frame().GetToolBar()->ItemRect(3), rect;
    MapWindowPoints(toolbar, nullptr, reinterpret_cast<POINT*>(&button), 2);
    ASSERT_TRUE(Open());
    GetWindowRect(panel, &rect);
    EXPECT_EQ(rect.left, button.left);
    EXPECT_EQ(rect.top, button.bottom);
    EXPECT_EQ(GetWindow(panel, GW_OWNER), frame);
    EXPECT_EQ(GetWindowLongPtrW(panel, GWL_STYLE) & WS_CAPTION, WS_DLGFRAME) << "a dialog frame, no caption";
    EXPECT_EQ(GetActiveWindow(), panel);
    EXPECT_EQ(GetFocus(), Item(IDC_EQUAL_CONTENTS));
    EXPECT_TRUE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, ID_OPTIONS, 0));
    EXPECT_TRUE(CaptionLooksActive(frame));

    Key(VK_RETURN);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(ProcedureOf(frame), frameProc);
    EXPECT_EQ(GetActiveWindow(), frame);
    EXPECT_FALSE(SendMessageW(toolbar, TB_ISBUTTONCHECKED, ID_OPTIONS, 0));

    EXPECT_TRUE(Open()) << "every opening makes a new panel";
    HWND other = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr,
                                 nullptr);
    Pump();
    EXPECT_TRUE(Closed());
    EXPECT_FALSE(CaptionLooksActive(frame)) << "the main window's title follows the activation again";
    DestroyWindow(other);
}

TEST_F(OptionsDlgTest, ShowsTheDefaultsAndTheRangeBoxSwitchesTheSevenRangeControls)
{
    ASSERT_TRUE(Open());
    EXPECT_TRUE(Checked(IDC_EQUAL_CONTENTS));
    EXPECT_FALSE(Checked(IDC_EQUAL_EXTENSIONS) || Checked(IDC_EQUAL_NAMES) || Checked(IDC_SHOW_EMPTY_FILES));
    EXPECT_FALSE(Checked(IDC_FILES_IN_RANGE));
    EXPECT_EQ(WindowText(Item(IDC_RANGE_FROM)) + L" " + WindowText(Item(IDC_RANGE_FROM_UNIT)), L"0 KB");
    EXPECT_EQ(WindowText(Item(IDC_RANGE_TO)) + L" " + WindowText(Item(IDC_RANGE_TO_UNIT)), L"0 KB");
    for (bool enabled : {false, true, false}) {
        for (int id : kRangeControls)
            EXPECT_EQ(IsWindowEnabled(Item(id)) != FALSE, enabled) << id;
        SendMessageW(Item(IDC_FILES_IN_RANGE), BM_CLICK, 0, 0);
    }
}

TEST_F(OptionsDlgTest, EnterEscapeAndAClickElsewhereAllStoreTheValues)
{
    const std::function<void()> closings[] = {[&] { Key(VK_RETURN); }, [&] { Key(VK_ESCAPE); },
                                              [&] { ClickElsewhere(); }};
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        const bool odd = round % 2 != 0;
        ASSERT_TRUE(Open());
        for (int id : {IDC_EQUAL_EXTENSIONS, IDC_EQUAL_NAMES, IDC_SHOW_EMPTY_FILES, IDC_FILES_IN_RANGE})
            SetCheck(id, odd);
        SetCheck(IDC_EQUAL_CONTENTS, !odd);
        Type(IDC_RANGE_FROM, std::to_wstring(round));
        Type(IDC_RANGE_TO, std::to_wstring(100 * round));
        SetUnit(IDC_RANGE_FROM_UNIT, round % 3);
        SetUnit(IDC_RANGE_TO_UNIT, (round + 1) % 3);
        closings[round - 1]();
        EXPECT_TRUE(Closed());
        EXPECT_EQ(GetEqualCont(), !odd);
        EXPECT_TRUE(GetEqualExt() == odd && GetEqualNames() == odd && GetShowEmptyFiles() == odd);
        EXPECT_EQ(StoredRange(), (SizeRange{odd, round, round % 3, 100 * round, (round + 1) % 3}));
    }
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(OptionsDlgTest, ABadLowerBoundIsReportedAndTheRangeKeepsItsLastValues)
{
    SetSizeRange(1, 7, 1, 9, 1);
    ASSERT_TRUE(Open());
    SetCheck(IDC_EQUAL_CONTENTS, false);
    SetCheck(IDC_EQUAL_EXTENSIONS, true);
    SetCheck(IDC_FILES_IN_RANGE, false);
    SetUnit(IDC_RANGE_FROM_UNIT, 2);
    SetUnit(IDC_RANGE_TO_UNIT, 0);
    Type(IDC_RANGE_FROM, L"abc");
    Type(IDC_RANGE_TO, L"50");
    ClickElsewhere();
    EXPECT_TRUE(Closed());
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, kNotAnInteger);
    EXPECT_EQ(boxes.Boxes()[0].type, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
    EXPECT_EQ(boxes.Boxes()[0].owner, Frame().Handle()) << "modal to the main window";
    EXPECT_TRUE(!GetEqualCont() && GetEqualExt());
    EXPECT_EQ(StoredRange(), (SizeRange{1, 7, 2, 9, 0}));
    EXPECT_EQ(GetActiveWindow(), Frame().Handle());
}

// Like the console search: a range that admits no file is refused, and the panel
// stays open, as the one panel, until it holds one that does.
TEST_F(OptionsDlgTest, ARangeWithItsLowerBoundAboveTheUpperKeepsThePanelOpen)
{
    SetSizeRange(1, 0, 1, 5, 1);
    ASSERT_TRUE(Open());
    Type(IDC_RANGE_FROM, L"1");
    SetUnit(IDC_RANGE_TO_UNIT, 0);
    for (const std::function<void()>& close : {std::function<void()>([&] { Key(VK_RETURN); }),
                                               std::function<void()>([&] { ClickElsewhere(); }),
                                               std::function<void()>([&] { Frame().RouteCommand(ID_OPTIONS); })}) {
        close();
        Pump();
        EXPECT_EQ(g_pOptionsDlg ? g_pOptionsDlg->Handle() : nullptr, panel);
        EXPECT_EQ(GetFocus(), Item(IDC_RANGE_FROM));
        EXPECT_EQ(StoredRange(), (SizeRange{1, 0, 1, 5, 1}));
    }
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>(2, L"The lower bound of the size range is above the upper bound."));
    EXPECT_EQ(boxes.Boxes()[0].owner, Frame().Handle());
    // Closed with the program, the panel keeps the range it had.
    Close();
    EXPECT_EQ(StoredRange(), (SizeRange{1, 0, 1, 5, 1}));
}

// What counts as a number has its own table; here a bound is read with it.
TEST_F(OptionsDlgTest, BoundsAreReadAsIntegersAndUnitsListedOnes)
{
    ASSERT_TRUE(Open());
    Type(IDC_RANGE_FROM, L"  -5 ");
    Key(VK_RETURN);
    EXPECT_EQ(StoredRange().from, -5);
    ASSERT_TRUE(Open());
    Type(IDC_RANGE_FROM, L"1.5");
    Key(VK_RETURN);
    EXPECT_EQ(StoredRange().from, -5);
    EXPECT_EQ(boxes.Texts(), std::vector<std::wstring>(1, kNotAnInteger));

    SetSizeRange(0, 0, 3, 0, -2);
    ASSERT_TRUE(Open());
    EXPECT_EQ(WindowText(Item(IDC_RANGE_FROM_UNIT)) + WindowText(Item(IDC_RANGE_TO_UNIT)), L"");
    Key(VK_ESCAPE);
    EXPECT_EQ(StoredRange(), (SizeRange{0, 0, -1, 0, -1}));
}

TEST_F(OptionsDlgTest, TheArrowsCountUpInPlainDigits)
{
    SetSizeRange(1, 999, 1, 5000, 1);
    ASSERT_TRUE(Open());
    int low = -1, high = -1;
    SendMessageW(Item(IDC_RANGE_TO_SPIN), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                 reinterpret_cast<LPARAM>(&high));
    EXPECT_TRUE(low == 0 && high == INT_MAX);
    SetFocus(Item(IDC_RANGE_FROM));
    Key(VK_UP);
    EXPECT_EQ(WindowText(Item(IDC_RANGE_FROM)), L"1000");
    Key(VK_RETURN);
    EXPECT_EQ(StoredRange().from, 1000);
}

TEST_F(OptionsDlgTest, OptionsIsDisabledWhileASearchRuns)
{
    Doc().m_bBusy = true;
    Pump();
    EXPECT_FALSE(Frame().GetToolBar()->IsButtonEnabled(ID_OPTIONS));
    EXPECT_FALSE(Open());
    Doc().m_bBusy = false;
    Pump();
    EXPECT_TRUE(Frame().GetToolBar()->IsButtonEnabled(ID_OPTIONS));
}

// A box that is really shown takes the activation, and gives it back to its owner.
TEST_F(OptionsDlgTest, TheBoxAboutABadNumberNeitherClosesNorReentersThePanel)
{
    SetMessageBoxHandler([](HWND owner, const std::wstring& text, UINT) {
        EnableWindow(owner, FALSE);
        HWND box = CreateWindowExW(0, L"Static", text.c_str(), WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 200, 80,
                                   owner, nullptr, nullptr, nullptr);
        Pump();
        EnableWindow(owner, TRUE);
        DestroyWindow(box);
        return IDOK;
    });
    SetSizeRange(1, 0, 1, 0, 1);
    ASSERT_TRUE(Open());
    Type(IDC_RANGE_FROM, L"abc");
    SendMessageW(Item(IDC_FILES_IN_RANGE), BM_CLICK, 0, 0);
    Pump();
    EXPECT_EQ(g_pOptionsDlg ? g_pOptionsDlg->Handle() : nullptr, panel);
    EXPECT_EQ(GetActiveWindow(), panel);
    EXPECT_EQ(GetFocus(), Item(IDC_RANGE_FROM));
    Type(IDC_RANGE_FROM, L"12");
    Key(VK_RETURN);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(StoredRange(), (SizeRange{0, 12, 1, 0, 1}));
}

TEST_F(OptionsDlgTest, AProcedureSetOnTheMainWindowLaterStaysInTheChain)
{
    HWND frame = Frame().Handle();
    const WNDPROC frameProc = ProcedureOf(frame);
    ASSERT_TRUE(Open());
    g_laterNext = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(LaterProc)));
    Key(VK_RETURN);
    EXPECT_TRUE(Closed());
    EXPECT_EQ(ProcedureOf(frame), LaterProc);
    SetWindowTextW(frame, L"Chained");
    EXPECT_EQ(WindowText(frame), L"Chained");

    SetWindowLongPtrW(frame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_laterNext));
    ASSERT_TRUE(Open());
    EXPECT_TRUE(CaptionLooksActive(frame));
    Key(VK_RETURN);
    EXPECT_EQ(ProcedureOf(frame), frameProc);
}

TEST_F(OptionsDlgTest, ClosingTheProgramWithThePanelOpenSavesItsValues)
{
    ASSERT_TRUE(Open());
    SetCheck(IDC_EQUAL_CONTENTS, false);
    Close();
    RegistryKey settings;
    ASSERT_TRUE(settings.Open(HKEY_CURRENT_USER, kSettingsKeyPath));
    EXPECT_EQ(settings.QueryDword(L"EqualCont"), 0u);
    EXPECT_EQ(g_pOptionsDlg, nullptr);
}

}  // namespace
}  // namespace twinsweep::test
