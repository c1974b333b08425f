#include "framework/Bars.h"

#include <commctrl.h>

#include "framework/Gdi.h"

namespace twinsweep {
namespace {

constexpr WORD kToolbarLayoutType = 241;
// The gripper: a raised bar 3 pixels wide, 2 pixels from the left edge and 2 from
// the first button. The bottom border takes 2 pixels.
constexpr int kGripperMargin = 2;
constexpr int kGripperWidth = 3;
constexpr int kBorderHeight = 2;

// The layout resource as 16-bit words.
std::vector<WORD> LoadLayout(UINT resourceId)
{
    HRSRC found = FindResourceW(ResourceInstance(), MAKEINTRESOURCEW(resourceId), MAKEINTRESOURCEW(kToolbarLayoutType));
    HGLOBAL loaded = found ? LoadResource(ResourceInstance(), found) : nullptr;
    const auto* words = loaded ? static_cast<const WORD*>(LockResource(loaded)) : nullptr;
    if (!words)
        return {};
    return std::vector<WORD>(words, words + SizeofResource(ResourceInstance(), found) / sizeof(WORD));
}

}  // namespace

bool ToolBar::Create(HWND parent, DWORD style, UINT id, DWORD barStyle)
{
    style |= CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN;
    HWND hwnd = CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style, 0, 0, 0, 0, parent,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ResourceInstance(), nullptr);
    if (!hwnd)
        return false;
    SendMessageW(hwnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    if (!Subclass(hwnd))
        return false;
    // The borders are in the non-client area, which is measured as the window is
    // created: measure it again now that this object answers.
    m_barStyle = barStyle;
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return true;
}

RECT ToolBar::Insets() const
{
    RECT insets{0, 0, 0, 0};
    if (m_barStyle & kGripper)
        insets.left = kGripperMargin + kGripperWidth + kGripperMargin;
    if (m_barStyle & kBorderBottom)
        insets.bottom = kBorderHeight;
    return insets;
}

int ToolBar::FixedHeight() const
{
    const RECT insets = Insets();
    return HIWORD(Send(TB_GETBUTTONSIZE)) + insets.top + insets.bottom;
}

void ToolBar::OnNcCalcSize(RECT& window)
{
    const RECT insets = Insets();
    window.left += insets.left;
    window.top += insets.top;
    window.right -= insets.right;
    window.bottom -= insets.bottom;
}

void ToolBar::OnNcPaint()
{
    RECT bounds;
    GetWindowRect(Handle(), &bounds);
    OffsetRect(&bounds, -bounds.left, -bounds.top);
    const RECT insets = Insets();
    NonClientDC window(Handle());
    HDC dc = window.get();
    if (!dc)
        return;
    if (m_barStyle & kGripper) {
        RECT strip{0, 0, insets.left, bounds.bottom - insets.bottom};
        FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
        RECT gripper{kGripperMargin, 0, kGripperMargin + kGripperWidth, strip.bottom};
        DrawEdge(dc, &gripper, BDR_RAISEDINNER, BF_RECT);
    }
    if (m_barStyle & kBorderBottom) {
        RECT strip{0, bounds.bottom - insets.bottom, bounds.right, bounds.bottom};
        FillRect(dc, &strip, GetSysColorBrush(COLOR_BTNFACE));
        RECT line{0, bounds.bottom - 1, bounds.right, bounds.bottom};
        FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
    }
}

LRESULT ToolBar::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCALCSIZE: {
        LRESULT result = Default(message, wParam, lParam);
        OnNcCalcSize(*reinterpret_cast<RECT*>(lParam));
        return result;
    }
    case WM_NCPAINT: {
        LRESULT result = Default(message, wParam, lParam);
        OnNcPaint();
        return result;
    }
    }
    return Default(message, wParam, lParam);
}

bool ToolBar::LoadToolBar(UINT resourceId)
{
    std::vector<WORD> layout = LoadLayout(resourceId);
    if (layout.size() < 4 || layout[0] != 1 || layout.size() < 4u + layout[3])
        return false;
    const int width = layout[1], height = layout[2], count = layout[3];
    Send(TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
    int images = 0;
    for (int i = 0; i < count; ++i)
        images += layout[4 + i] != 0;
    // The toolbar loads the strip itself and maps its greys to the system colours.
    TBADDBITMAP bitmap{ResourceInstance(), resourceId};
    Send(TB_ADDBITMAP, static_cast<WPARAM>(images), reinterpret_cast<LPARAM>(&bitmap));

    std::vector<TBBUTTON> buttons;
    int image = 0;
    for (int i = 0; i < count; ++i) {
        UINT id = layout[4 + i];
        TBBUTTON button{};
        button.idCommand = static_cast<int>(id);
        button.fsStyle = id ? BTNS_BUTTON : BTNS_SEP;
        button.fsState = TBSTATE_ENABLED;
        button.iBitmap = id ? image++ : 0;
        buttons.push_back(button);
        m_items.push_back(id);
    }
    Send(TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    Send(TB_AUTOSIZE);
    return true;
}

RECT ToolBar::ItemRect(size_t index) const
{
    RECT rect{};
    Send(TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rect));
    return rect;
}

void ToolBar::SetButtonState(UINT id, bool enabled, bool checked)
{
    LRESULT state = Send(TB_GETSTATE, id);
    if (state == -1)
        return;
    LRESULT wanted = (state & ~(TBSTATE_ENABLED | TBSTATE_CHECKED)) | (enabled ? TBSTATE_ENABLED : 0) |
                     (checked ? TBSTATE_CHECKED : 0);
    if (wanted != state)
        Send(TB_SETSTATE, id, MAKELPARAM(wanted, 0));
}

bool ToolBar::IsButtonEnabled(UINT id) const
{
    return Send(TB_ISBUTTONENABLED, id) != 0;
}

bool StatusBar::Create(HWND parent, UINT id, std::vector<int> paneWidths)
{
    HWND hwnd = CreateWindowExW(0, STATUSCLASSNAMEW, nullptr, WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                                parent, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), ResourceInstance(),
                                nullptr);
    if (!hwnd || !Subclass(hwnd))
        return false;
    m_paneWidths = std::move(paneWidths);
    FitPanes();
    return true;
}

void StatusBar::FitPanes()
{
    RECT client;
    GetClientRect(Handle(), &client);
    std::vector<int> rightEdges(m_paneWidths.size() + 1);
    int right = client.right;
    rightEdges.back() = -1;
    for (size_t i = m_paneWidths.size(); i > 0; --i) {
        right -= m_paneWidths[i - 1];
        rightEdges[i - 1] = right > 0 ? right : 0;
    }
    Send(SB_SETPARTS, rightEdges.size(), reinterpret_cast<LPARAM>(rightEdges.data()));
}

void StatusBar::SetText(int pane, const std::wstring& text)
{
    if (Text(pane) != text)
        Send(SB_SETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.c_str()));
}

std::wstring StatusBar::Text(int pane) const
{
    LRESULT length = LOWORD(Send(SB_GETTEXTLENGTHW, static_cast<WPARAM>(pane)));
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    Send(SB_GETTEXTW, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(length));
    return text;
}

}  // namespace twinsweep
