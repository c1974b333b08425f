#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/ViewPainting.h"
#include "document/CDFDoc.h"
#include "document/SearchMessages.h"
#include "engine/SearchJob.h"
#include "tests/gui/GuiTest.h"
#include "tests/support/Win32Support.h"
#include "views/CResultView.h"
#include "views/CStatView.h"

namespace twinsweep::test {
namespace {

using Texts = std::vector<std::wstring>;

// Counts the writes of cell texts that reach the list control.
class CellWriteCounter {
public:
    explicit CellWriteCounter(HWND list) : m_list(list)
    {
        SetWindowSubclass(list, Proc, kId, reinterpret_cast<DWORD_PTR>(this));
    }
    ~CellWriteCounter() { RemoveWindowSubclass(m_list, Proc, kId); }
    CellWriteCounter(const CellWriteCounter&) = delete;
    CellWriteCounter& operator=(const CellWriteCounter&) = delete;
    int writes = 0;

private:
    static constexpr UINT_PTR kId = 0x5747;
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data)
    {
        if (message == LVM_SETITEMTEXTW || message == LVM_SETITEMW)
            ++reinterpret_cast<CellWriteCounter*>(data)->writes;
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }
    HWND m_list;
};

class StatViewTest : public ::testing::Test {
protected:
    StatViewTest() : host(view, document) {}

    HWND List() const { return view.FiguresList(); }

    Texts Column(int column) const
    {
        Texts cells;
        for (int row = 0; row < ListView_GetItemCount(List()); ++row)
            cells.push_back(ListViewText(List(), row, column));
        return cells;
    }

    CDFDoc document;
    CStatView view;
    ViewHost host;
};

TEST_F(StatViewTest, ShowsFiveNamedRowsWithTheirImagesAndNoValuesBeforeTheFirstFigures)
{
    EXPECT_EQ(Column(0), (Texts{L"Total files", L"Copies", L"Groups", L"Total Space", L"Needless"}));
    EXPECT_EQ(Column(1), Texts(5));
    for (int row = 0; row < 5; ++row) {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ASSERT_TRUE(ListView_GetItem(List(), &item));
        EXPECT_EQ(item.iImage, row);
    }
    HIMAGELIST images = ListView_GetImageList(List(), LVSIL_SMALL);
    ASSERT_NE(images, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(images), 6);
    EXPECT_EQ(ListView_GetExtendedListViewStyle(List()), static_cast<DWORD>(LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT));
}

TEST_F(StatViewTest, ColumnsShareTheListsWidthUnderTheCaption)
{
    host.Resize(501, 300);
    RECT client, frame;
    GetClientRect(List(), &client);
    GetWindowRect(List(), &frame);
    MapWindowPoints(nullptr, view.Handle(), reinterpret_cast<POINT*>(&frame), 2);
    EXPECT_EQ(frame.top, kCaptionHeight);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(ListView_GetColumnWidth(List(), 0), client.right / 2);
    EXPECT_EQ(ListView_GetColumnWidth(List(), 1), client.right / 2);
}

TEST_F(StatViewTest, FormatsCountsAndByteTotalsWithoutWrapping)
{
    view.SetStatistics(0, 0, 0, 0, 0);
    EXPECT_EQ(Column(1), (Texts{L"0", L"0", L"0", L"0 bytes", L"0 bytes"}));
    view.SetStatistics(123456, 7, 2, 3ull << 30, 5368709121ull);
    EXPECT_EQ(Column(1), (Texts{L"123456", L"7", L"2", L"3072 MB", L"5 GB"}));
}

TEST_F(StatViewTest, RewritesOnlyTheCellsWhoseTextChanges)
{
    view.SetStatistics(10, 4, 2, 4000, 2000);
    CellWriteCounter counter(List());
    view.SetStatistics(10, 4, 2, 4000, 2000);
    EXPECT_EQ(counter.writes, 0);
    view.SetStatistics(11, 4, 2, 4001, 2000);  // 4001 bytes reads differently, so two cells
    EXPECT_EQ(counter.writes, 2);
    EXPECT_EQ(Column(1), (Texts{L"11", L"4", L"2", L"4001 bytes", L"2000 bytes"}));
}

TEST_F(StatViewTest, AGroupOfThreeThousandByteFilesFromTheResultView)
{
    CResultView results;
    ViewHost resultHost(results, document);
    DupGroup group;
    for (const char* path : {"C:\\a\\one.bin", "C:\\b\\two.bin", "C:\\c\\three.bin"}) {
        group.entries.push_back(std::make_unique<DupFileEntry>());
        group.entries.back()->strPath = path;
        group.entries.back()->dwSize = 1000;
    }
    SendMessageW(results.Handle(), WM_RESULT_FILECOUNT, 17, 0);
    SendMessageW(results.Handle(), WM_RESULT_ADDGROUP, reinterpret_cast<WPARAM>(&group),
                 static_cast<LPARAM>(group.ByteTotal()));
    // The figures, the count of files with them, follow a moment later, in one
    // repaint for a burst.
    EXPECT_NE(Column(1)[0], L"17");
    EXPECT_TRUE(PumpUntil([&] { return Column(1)[2] == L"1"; }));
    EXPECT_EQ(Column(1), (Texts{L"17", L"3", L"1", L"3000 bytes", L"2000 bytes"}));
}

}  // namespace
}  // namespace twinsweep::test
