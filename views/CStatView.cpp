#include "views/CStatView.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>

#include "document/CDFDoc.h"
#include "engine/SizeFormat.h"
#include "framework/Controls.h"
#include "resources/resource.h"
#include "win32/Utf16.h"

namespace twinsweep {
namespace {

constexpr int kImageSize = 20;
constexpr int kValueColumn = 1;
constexpr std::array<const wchar_t*, 5> kFieldNames = {L"Total files", L"Copies", L"Groups", L"Total Space",
                                                       L"Needless"};

}  // namespace

CStatView::CStatView() : FormView(IDD_STAT_VIEW) {}

CStatView::~CStatView()
{
    if (CDFDoc* document = Document())
        document->RemoveObserver(*this);
}

void CStatView::OnInitialUpdate()
{
    FormView::OnInitialUpdate();
    Document()->AddObserver(*this);
    m_list = Item(IDC_STAT_LIST);
    InsertColumns();
    ListView_SetExtendedListViewStyle(m_list, LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT);
    // The view keeps the image list, so the control must not destroy it.
    SetWindowLongPtrW(m_list, GWL_STYLE, GetWindowLongPtrW(m_list, GWL_STYLE) | LVS_SHAREIMAGELISTS);
    m_images = UniqueImageList(ImageList_LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDB_STAT_IMAGES), kImageSize,
                                                    1, RGB(255, 0, 0), IMAGE_BITMAP, LR_CREATEDIBSECTION));
    ListView_SetImageList(m_list, m_images.get(), LVSIL_SMALL);
    InsertRows();
    RECT client;
    GetClientRect(Handle(), &client);
    OnSize(client.right, client.bottom);
}

void CStatView::OnStatisticsChanged(const ResultStatistics& figures)
{
    SetStatistics(figures.totalFiles, figures.copies, figures.groups, figures.totalSpace, figures.needless);
}

void CStatView::SetStatistics(int32_t totalFiles, int32_t copies, int32_t groups, uint64_t totalSpace,
                              uint64_t needless)
{
    if (!m_list)
        return;
    const std::array<std::wstring, kFieldNames.size()> values = {
        std::to_wstring(totalFiles), std::to_wstring(copies), std::to_wstring(groups),
        Utf8ToWide(FormatSize(totalSpace)), Utf8ToWide(FormatSize(needless))};
    for (size_t row = 0; row < values.size(); ++row) {
        const int line = static_cast<int>(row);
        if (ListViewRef(m_list).ItemText(line, kValueColumn) == values[row])
            continue;
        LVITEMW cell{};
        cell.iSubItem = kValueColumn;
        cell.pszText = const_cast<wchar_t*>(values[row].c_str());
        SendMessageW(m_list, LVM_SETITEMTEXTW, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(&cell));
    }
}

void CStatView::OnDraw(HDC dc)
{
    DrawViewCaption(Handle(), dc, IDB_CAPTION_STATISTICS);
}

void CStatView::OnSize(int cx, int cy)
{
    if (!m_list)
        return;
    MoveWindow(m_list, 0, kCaptionHeight, cx, std::max(cy - kCaptionHeight, 0), TRUE);
    RECT inside;
    GetClientRect(m_list, &inside);
    ListView_SetColumnWidth(m_list, 0, inside.right / 2);
    ListView_SetColumnWidth(m_list, kValueColumn, inside.right / 2);
    InvalidateRect(Handle(), nullptr, FALSE);
}

void CStatView::InsertColumns()
{
    const wchar_t* titles[] = {L"Field", L"Value"};
    for (int i = 0; i < 2; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.pszText = const_cast<wchar_t*>(titles[i]);
        column.iSubItem = i;
        ListView_InsertColumn(m_list, i, &column);
    }
}

// Row i shows image i of the strip in front of its name.
void CStatView::InsertRows()
{
    for (size_t row = 0; row < kFieldNames.size(); ++row) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = static_cast<int>(row);
        item.iImage = static_cast<int>(row);
        item.pszText = const_cast<wchar_t*>(kFieldNames[row]);
        ListView_InsertItem(m_list, &item);
    }
}

CDFDoc* CStatView::Document() const
{
    return static_cast<CDFDoc*>(GetDocument());
}

}  // namespace twinsweep
