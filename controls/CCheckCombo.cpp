#include "controls/CCheckCombo.h"

#include <windowsx.h>

#include <algorithm>

#include "controls/ViewPainting.h"
#include "framework/Controls.h"
#include "framework/Gdi.h"
#include "resources/resource.h"

namespace twinsweep {
namespace {

constexpr int kBoxSize = 13;
constexpr int kBoxMargin = 2;
constexpr int kPopupHeight = 150;

int TextHeight(HWND window)
{
    WindowDC dc(window);
    SelectScope font(dc.get(), reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc.get(), &metrics);
    return metrics.tmHeight;
}

}  // namespace

// CCheckListBox

bool CCheckListBox::Attach(HWND listBox)
{
    if (!Subclass(listBox))
        return false;
    const int height = std::max(TextHeight(listBox), kBoxSize) + 2;
    SendMessageW(listBox, LB_SETITEMHEIGHT, 0, height);
    return true;
}

void CCheckListBox::AddItem(const std::wstring& text, bool checked)
{
    const LRESULT index = Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0)
        Send(LB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
}

int CCheckListBox::Count() const
{
    return static_cast<int>(Send(LB_GETCOUNT));
}

bool CCheckListBox::GetCheck(int index) const
{
    const LRESULT data = Send(LB_GETITEMDATA, static_cast<WPARAM>(index));
    return data != LB_ERR && data != 0;
}

void CCheckListBox::SetCheck(int index, bool checked)
{
    Send(LB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
    RECT line;
    if (Send(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&line)) != LB_ERR)
        InvalidateRect(Handle(), &line, FALSE);
}

void CCheckListBox::SetAllChecks(bool checked)
{
    const int count = Count();
    for (int i = 0; i < count; ++i)
        SetCheck(i, checked);
}

void CCheckListBox::Toggle(int index)
{
    if (index >= 0 && index < Count())
        SetCheck(index, !GetCheck(index));
}

LRESULT CCheckListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        OnLButtonDown(lParam);
        break;
    case WM_GETDLGCODE:
        return DLGC_WANTALLKEYS;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) {
            Toggle(static_cast<int>(Send(LB_GETCARETINDEX)));
            return 0;
        }
        // No dialog loop sees the popup's keys: Enter and Escape reach it from here.
        if (wParam == VK_RETURN || wParam == VK_ESCAPE) {
            PostMessageW(GetParent(Handle()), WM_COMMAND, wParam == VK_RETURN ? IDOK : IDCANCEL, 0);
            return 0;
        }
        break;
    }
    return Default(message, wParam, lParam);
}

void CCheckListBox::OnLButtonDown(LPARAM position)
{
    const LRESULT hit = Send(LB_ITEMFROMPOINT, 0, position);
    if (HIWORD(hit) != 0 || GET_X_LPARAM(position) >= kBoxMargin + kBoxSize + kBoxMargin)
        return;
    Toggle(static_cast<int>(LOWORD(hit)));
}

bool CCheckListBox::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

void CCheckListBox::DrawItem(const DRAWITEMSTRUCT& item)
{
    if (static_cast<int>(item.itemID) < 0 || static_cast<int>(item.itemID) >= Count())
        return;
    const HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    RECT area = item.rcItem;
    FillRect(dc, &area, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int boxTop = area.top + (area.bottom - area.top - kBoxSize) / 2;
    RECT box{area.left + kBoxMargin, boxTop, area.left + kBoxMargin + kBoxSize, boxTop + kBoxSize};
    const auto index = static_cast<int>(item.itemID);
    DrawFrameControl(dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | (GetCheck(index) ? DFCS_CHECKED : 0));

    const std::wstring text = ListBoxRef(Handle()).ItemText(index);
    const COLORREF oldText = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT label = area;
    label.left = box.right + kBoxMargin * 2;
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &label, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldText);
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(dc, &area);
}

// CCheckListPopup

CCheckListPopup::CCheckListPopup(CCheckCombo& combo) : Dialog(IDD_CHECK_LIST_POPUP), m_combo(combo)
{
}

bool CCheckListPopup::OnInitDialog()
{
    m_list.Attach(Item(IDC_CHECK_LIST));
    KeepWindowTitleActive(GetParent(m_combo.Handle()), true);
    const int count = m_combo.Count();
    for (int i = 0; i < count; ++i)
        m_list.AddItem(m_combo.ItemText(i), m_combo.IsChecked(i));
    m_list.Send(LB_SETCURSEL);
    return true;
}

bool CCheckListPopup::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == ID_CHECK_ALL || id == ID_UNCHECK_ALL) {
        m_list.SetAllChecks(id == ID_CHECK_ALL);
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

INT_PTR CCheckListPopup::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            break;
        OnDeactivate(reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_SIZE:
        MoveWindow(m_list.Handle(), 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return TRUE;
    case WM_CONTEXTMENU:
        OnContextMenu(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        return TRUE;
    case WM_DESTROY:
        // Destroyed with its owner: the checks still go back to the combo box.
        m_destroying = true;
        Close();
        break;
    }
    return Dialog::DialogProc(message, wParam, lParam);
}

// The dialog's title bar was kept active; unless the dialog itself takes the
// activation, it must now show that it has lost it.
void CCheckListPopup::OnDeactivate(HWND activated)
{
    const HWND owner = GetParent(m_combo.Handle());
    Close();
    if (owner && activated != owner)
        SendMessageW(owner, WM_NCACTIVATE, FALSE, 0);
}

// A menu opened from the keyboard carries no point (-1, -1): it opens at the list.
void CCheckListPopup::OnContextMenu(int x, int y)
{
    POINT at{x, y};
    if (x == -1 && y == -1) {
        at = {0, 0};
        ClientToScreen(m_list.Handle(), &at);
    }
    ContextMenu(IDR_CONTEXT_MENUS, 2).Track(Handle(), at);
}

void CCheckListPopup::Close()
{
    if (m_closed)
        return;
    m_closed = true;
    KeepWindowTitleActive(GetParent(m_combo.Handle()), false);
    m_combo.OnPopupClosed(m_list);
    if (!m_destroying)
        DestroyWindow(Handle());
}

// CCheckCombo

CCheckCombo::~CCheckCombo()
{
    if (m_pPopup)
        DestroyWindow(m_pPopup->Handle());
}

bool CCheckCombo::Attach(HWND combo)
{
    return Subclass(combo);
}

void CCheckCombo::AddItem(const std::wstring& text, bool checked)
{
    const LRESULT index = Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (index >= 0)
        Send(CB_SETITEMDATA, static_cast<WPARAM>(index), checked ? 1 : 0);
}

int CCheckCombo::Count() const
{
    return static_cast<int>(Send(CB_GETCOUNT));
}

std::wstring CCheckCombo::ItemText(int index) const
{
    return ComboBoxRef(Handle()).ItemText(index);
}

bool CCheckCombo::IsChecked(int index) const
{
    const LRESULT data = Send(CB_GETITEMDATA, static_cast<WPARAM>(index));
    return data != CB_ERR && data != 0;
}

std::wstring CCheckCombo::FieldText() const
{
    std::wstring field;
    const int count = Count();
    for (int i = 0; i < count; ++i) {
        const std::wstring text = ItemText(i);
        if (!IsChecked(i) || text.empty())
            continue;
        if (!field.empty())
            field += L", ";
        field += text.front();
    }
    return field;
}

LRESULT CCheckCombo::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_CHECKCOMBO_OPENPOPUP) {
        OnOpenPopup();
        return 0;
    }
    return Default(message, wParam, lParam);
}

bool CCheckCombo::OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    if (message == WM_COMMAND && HIWORD(wParam) == CBN_DROPDOWN) {
        Post(WM_CHECKCOMBO_OPENPOPUP);
        result = 0;
        return true;
    }
    if (message == WM_DRAWITEM) {
        DrawField(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    }
    return false;
}

void CCheckCombo::OnOpenPopup()
{
    Send(CB_SHOWDROPDOWN, FALSE);
    if (m_pPopup)
        return;
    RECT field, dropped;
    GetWindowRect(Handle(), &field);
    Send(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    // Owned by the dialog, so that it stays above it while open.
    auto* popup = new CCheckListPopup(*this);
    if (!popup->CreateModeless(GetParent(Handle()))) {
        delete popup;
        return;
    }
    m_pPopup = popup;
    SetWindowPos(popup->Handle(), HWND_TOP, dropped.left, field.bottom, dropped.right - dropped.left, kPopupHeight,
                 SWP_SHOWWINDOW);
}

void CCheckCombo::OnPopupClosed(const CCheckListBox& list)
{
    const int count = std::min(list.Count(), Count());
    for (int i = 0; i < count; ++i)
        Send(CB_SETITEMDATA, static_cast<WPARAM>(i), list.GetCheck(i) ? 1 : 0);
    InvalidateRect(Handle(), nullptr, TRUE);
    m_pPopup = nullptr;
}

// Only the selection field is ever drawn: the drop-down list closes before it
// shows. A letter typed into the closed box selects an item, which changes nothing
// the field shows.
void CCheckCombo::DrawField(const DRAWITEMSTRUCT& item)
{
    if (!(item.itemState & ODS_COMBOBOXEDIT) && static_cast<int>(item.itemID) != -1)
        return;
    const HDC dc = item.hDC;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const COLORREF oldText = selected ? SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT)) : GetTextColor(dc);
    const COLORREF oldBack = selected ? SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT)) : GetBkColor(dc);
    RECT area = item.rcItem;
    if (selected) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_HIGHLIGHT));
    } else {
        Brush background(CreateSolidBrush(GetBkColor(dc)));
        FillRect(dc, &area, background.get());
    }
    const std::wstring text = FieldText();
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &area, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

}  // namespace twinsweep
