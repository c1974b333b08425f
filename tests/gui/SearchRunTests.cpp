#include <gtest/gtest.h>

#include "dialogs/CProgressDlg.h"
#include "document/SearchMessages.h"
#include "document/Settings.h"
#include "resources/resource.h"
#include "tests/gui/MainWindow.h"
#include "views/CResultView.h"
#include "views/CStatView.h"

namespace twinsweep::test {
namespace {

using Texts = std::vector<std::wstring>;

// Watches the messages the search sends to this thread's windows, before the
// windows handle them.
class SentMessageWatch {
public:
    using Watcher = std::function<void(const CWPSTRUCT&)>;
    explicit SentMessageWatch(Watcher watcher)
    {
        s_watcher = std::move(watcher);
        m_hook = SetWindowsHookExW(WH_CALLWNDPROC, Hook, nullptr, GetCurrentThreadId());
    }
    ~SentMessageWatch()
    {
        UnhookWindowsHookEx(m_hook);
        s_watcher = nullptr;
    }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HC_ACTION && s_watcher)
            s_watcher(*reinterpret_cast<const CWPSTRUCT*>(lParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline Watcher s_watcher;
    HHOOK m_hook;
};

class SearchRunTest : public MainWindowTest {
protected:
    // Three pairs of equal files and one file alone.
    void MakeFiles()
    {
        for (const char* name : {"a", "b", "c"}) {
            std::string bytes = std::string(name) + " payload";
            tree.Write(std::string("one/") + name, bytes);
            tree.Write(std::string("two/") + name, bytes);
        }
        tree.Write("two/alone", "alone");
    }

    void StartWithFolder()
    {
        Start();
        Doc().AddFolders({Utf8ToWide(tree.Root())});
    }

    bool SearchEnded()
    {
        return PumpUntil([&] { return !Doc().m_bBusy && !Doc().SearchRunning() && !ProgressWindow(); }, 20000);
    }

    static BOOL CALLBACK FindProgressWindow(HWND window, LPARAM result)
    {
        if (!GetDlgItem(window, IDC_STOP))
            return TRUE;
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }

    HWND ProgressWindow()
    {
        HWND found = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindProgressWindow, reinterpret_cast<LPARAM>(&found));
        return found;
    }

    void PressStop(HWND progress) { SendMessageW(GetDlgItem(progress, IDC_STOP), BM_CLICK, 0, 0); }

    Texts ResultLines()
    {
        Texts lines;
        FileListBox& files = Frame().ResultView().Files();
        for (int i = 0; i < files.Count(); ++i)
            lines.push_back(files.Text(i));
        return lines;
    }

    std::wstring Statistic(int row) { return ListViewText(Frame().StatView().FiguresList(), row, 1); }
};

TEST_F(SearchRunTest, GoFindsTheGroupsAndShowsTheirStatistics)
{
    MakeFiles();
    StartWithFolder();
    Frame().RouteCommand(ID_GO);
    EXPECT_TRUE(Doc().m_bBusy);
    ASSERT_TRUE(SearchEnded());
    EXPECT_EQ(ResultLines(), (Texts{Utf8ToWide(tree.Path("one/a")), Utf8ToWide(tree.Path("two/a")), Utf8ToWide(tree.Path("one/b")),
                                    Utf8ToWide(tree.Path("two/b")), Utf8ToWide(tree.Path("one/c")), Utf8ToWide(tree.Path("two/c"))}));
    EXPECT_EQ(Statistic(0), L"7");
    EXPECT_EQ(Statistic(1), L"6");
    EXPECT_EQ(Statistic(2), L"3");
    EXPECT_EQ(Statistic(3), L"54 bytes");
    EXPECT_EQ(Statistic(4), L"27 bytes");
    EXPECT_TRUE(boxes.Texts().empty());
    EXPECT_TRUE(Frame().QueryCommand(ID_GO).enabled);
}

TEST_F(SearchRunTest, SaysSoWhenThereAreNoDuplicates)
{
    tree.Write("a", "1");
    tree.Write("b", "22");
    StartWithFolder();
    struct Shown {
        std::wstring text;
        HWND owner;
        DWORD thread;
        bool progressWindow;
    };
    std::vector<Shown> shown;
    SetMessageBoxHandler([&](HWND owner, const std::wstring& text, UINT) {
        shown.push_back({text, owner, GetCurrentThreadId(), ProgressWindow() != nullptr});
        return IDOK;
    });
    Frame().RouteCommand(ID_GO);
    ASSERT_TRUE(SearchEnded());
    SetMessageBoxHandler(nullptr);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, L"No duplicates are found.");
    EXPECT_EQ(shown[0].owner, Frame().Handle());
    EXPECT_EQ(shown[0].thread, GetCurrentThreadId()) << "the window's thread, which gives the box the focus";
    EXPECT_TRUE(shown[0].progressWindow);
    EXPECT_TRUE(ResultLines().empty());
}

TEST_F(SearchRunTest, GoesThroughItsPhasesWithTheirCaptions)
{
    MakeFiles();
    StartWithFolder();
    Texts captions;
    SentMessageWatch watch([&](const CWPSTRUCT& sent) {
        if (sent.message == WM_PROGRESS_SETCAPTION && GetDlgItem(sent.hwnd, IDC_STOP))
            captions.push_back(reinterpret_cast<const wchar_t*>(sent.wParam));
    });
    Frame().RouteCommand(ID_GO);
    ASSERT_TRUE(SearchEnded());
    EXPECT_EQ(captions, (Texts{L"Folder scan", L"File comparison", L"Comparing the folders..."}));
}

TEST_F(SearchRunTest, AStopDuringTheWalkReportsNothingAndSaysNothing)
{
    MakeFiles();
    StartWithFolder();
    Frame().RouteCommand(ID_GO);
    HWND progress = ProgressWindow();
    ASSERT_TRUE(progress);
    PressStop(progress);
    ASSERT_TRUE(SearchEnded());
    EXPECT_TRUE(ResultLines().empty());
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SearchRunTest, ClosingTheProgressWindowStopsTheSearch)
{
    MakeFiles();
    StartWithFolder();
    Frame().RouteCommand(ID_GO);
    HWND progress = ProgressWindow();
    ASSERT_TRUE(progress);
    SendMessageW(progress, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(progress)) << "the window stays until the search has ended";
    ASSERT_TRUE(SearchEnded());
    EXPECT_TRUE(ResultLines().empty());
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SearchRunTest, AStopAfterTwoGroupsKeepsThoseTwo)
{
    MakeFiles();
    StartWithFolder();
    int groups = 0;
    SentMessageWatch watch([&](const CWPSTRUCT& sent) {
        if (sent.message == WM_RESULT_ADDGROUP && sent.hwnd == Frame().ResultView().Handle() && ++groups == 2)
            PressStop(ProgressWindow());
    });
    Frame().RouteCommand(ID_GO);
    ASSERT_TRUE(SearchEnded());
    EXPECT_EQ(ResultLines().size(), 4u);
    EXPECT_EQ(Statistic(2), L"2");
    EXPECT_TRUE(boxes.Texts().empty());
}

TEST_F(SearchRunTest, ASecondGoStartsFromAnEmptyResult)
{
    MakeFiles();
    StartWithFolder();
    Frame().RouteCommand(ID_GO);
    ASSERT_TRUE(SearchEnded());
    tree.Remove("two/a");
    Frame().RouteCommand(ID_GO);
    ASSERT_TRUE(SearchEnded());
    EXPECT_EQ(ResultLines().size(), 4u);
}

TEST_F(SearchRunTest, GoIsBusyFromTheMomentItIsAccepted)
{
    MakeFiles();
    StartWithFolder();
    Frame().RouteCommand(ID_GO);
    HWND first = ProgressWindow();
    Frame().RouteCommand(ID_GO);
    EXPECT_EQ(ProgressWindow(), first);
    ASSERT_TRUE(SearchEnded());
    EXPECT_EQ(ResultLines().size(), 6u);
}

TEST_F(SearchRunTest, FoldersHandedInDuringASearchWaitForItsEnd)
{
    MakeFiles();
    StartWithFolder();
    std::wstring later = Utf8ToWide(tree.MakeFolder("../later-" + std::to_string(GetTickCount())));
    Frame().RouteCommand(ID_GO);
    Doc().AddFolders({later});
    EXPECT_EQ(ListedFolders(), Texts{Utf8ToWide(tree.Root())});
    ASSERT_TRUE(SearchEnded());
    EXPECT_EQ(ListedFolders(), (Texts{Utf8ToWide(tree.Root()), later}));
    RemoveDirectoryW(later.c_str());
}

TEST_F(SearchRunTest, TheSearchReadsTheOptionsAndTheMask)
{
    MakeFiles();
    tree.Write("one/a.txt", "text");
    tree.Write("two/b.txt", "text");
    StartWithFolder();
    SetWindowTextW(Frame().FilterBox(), L"*.txt");
    Frame().RouteCommand(ID_GO);
    ASSERT_TRUE(SearchEnded());
    EXPECT_EQ(ResultLines(), (Texts{Utf8ToWide(tree.Path("one/a.txt")), Utf8ToWide(tree.Path("two/b.txt"))}));

    // Names without extension: a, a.txt and another a; b, b.txt and another b; two c.
    SetEqualCont(false);
    SetEqualNames(true);
    SetWindowTextW(Frame().FilterBox(), L"*.*");
    Frame().RouteCommand(ID_GO);
    ASSERT_TRUE(SearchEnded());
    EXPECT_EQ(ResultLines().size(), 8u);
}

TEST_F(SearchRunTest, ClosingTheWindowDuringASearchStopsIt)
{
    MakeFiles();
    StartWithFolder();
    Frame().RouteCommand(ID_GO);
    Close();
    EXPECT_TRUE(boxes.Texts().empty());
}

}  // namespace
}  // namespace twinsweep::test
