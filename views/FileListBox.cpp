#include "views/FileListBox.h"

#include <shellapi.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "engine/SelectionRules.h"
#include "framework/Controls.h"
#include "framework/Gdi.h"

namespace twinsweep {
namespace {

// Room for the 16-pixel icon and a separator row under it.
constexpr int kMinimumLineHeight = 17;
constexpr int kTextLeft = 22;
// The icon column in front of the text and a little air behind it.
constexpr int kExtentMargin = 25;
constexpr COLORREF kGroupSeparator = RGB(163, 163, 163);
constexpr UINT_PTR kFitTimer = 1;
// A burst ends when no line has come for this long (milliseconds)...
constexpr UINT kFitDelay = 150;
// ...but a list that keeps growing shows its new lines at least this often.
constexpr ULONGLONG kLongestFitWait = 500;

void DrawGroupSeparator(HDC dc, int width, int height)
{
    SetDCBrushColor(dc, kGroupSeparator);
    const RECT line{0, height - 1, width, height};
    FillRect(dc, &line, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

// By the type alone: the file is never opened, so a slow or vanished drive does
// not stall the painting.
HIMAGELIST SmallTypeIcon(const std::wstring& path, DWORD attributes, SHFILEINFOW& info)
{
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoW(path.c_str(), attributes, &info, sizeof info,
                                                       SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES));
}

}  // namespace

FileListBox::~FileListBox()
{
    if (Handle())
        ResetEntries();
}

bool FileListBox::Attach(HWND listBox)
{
    if (!Subclass(listBox))
        return false;
    const auto height = static_cast<int>(Send(LB_GETITEMHEIGHT));
    if (height != LB_ERR && height < kMinimumLineHeight)
        Send(LB_SETITEMHEIGHT, 0, MAKELPARAM(kMinimumLineHeight, 0));
    // Better now than in the first paint during a search; the program's start
    // has mostly had it built on another thread by now.
    IconIndex(L"file");
    ScheduleWidthFit();
    return true;
}

void FileListBox::AddEntry(const std::wstring& path, std::unique_ptr<DupFileEntry> entry)
{
    ScheduleWidthFit();
    const LRESULT index = Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
    if (index < 0)
        return;
    Send(LB_SETITEMDATA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(entry.release()));
    NoteChangeAt(static_cast<int>(index));
    if (!m_remeasure)
        m_widestText = std::max(m_widestText, TextWidth(path));
}

void FileListBox::DeleteEntry(int index)
{
    const int count = Count();
    if (index < 0 || index >= count)
        return;
    RestartWidthFit();
    std::unique_ptr<DupFileEntry> entry(Entry(index));
    if (entry)
        PassOnGroupRoles(*entry, index > 0 ? Entry(index - 1) : nullptr,
                         index < count - 1 ? Entry(index + 1) : nullptr);
    Send(LB_DELETESTRING, static_cast<WPARAM>(index));
    NoteChangeAt(std::max(index - 1, 0));
}

void FileListBox::ResetEntries()
{
    RestartWidthFit();
    const int count = Count();
    std::vector<std::unique_ptr<DupFileEntry>> entries;
    entries.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        entries.emplace_back(Entry(i));
    Send(LB_RESETCONTENT);
    NoteChangeAt(0);
}

int FileListBox::Count() const
{
    const auto count = static_cast<int>(Send(LB_GETCOUNT));
    return std::max(count, 0);
}

DupFileEntry* FileListBox::Entry(int index) const
{
    const LRESULT data = Send(LB_GETITEMDATA, static_cast<WPARAM>(index));
    return data == LB_ERR ? nullptr : reinterpret_cast<DupFileEntry*>(data);
}

std::wstring FileListBox::Text(int index) const
{
    return ListBoxRef(Handle()).ItemText(index);
}

std::vector<int> FileListBox::SelectedLines() const
{
    const LRESULT count = Send(LB_GETSELCOUNT);
    if (count <= 0)
        return {};
    std::vector<int> lines(static_cast<size_t>(count));
    const LRESULT got = Send(LB_GETSELITEMS, static_cast<WPARAM>(count),
                                     reinterpret_cast<LPARAM>(lines.data()));
    lines.resize(got < 0 ? 0 : static_cast<size_t>(got));
    return lines;
}

int FileListBox::CaretLine() const
{
    const auto caret = static_cast<int>(Send(LB_GETCARETINDEX));
    return std::max(caret, 0);
}

LRESULT FileListBox::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != kFitTimer)
            break;
        OnFitTimer();
        return 0;
    case WM_PAINT:
        if (wParam)
            break;
        if (m_redrawSuspended)
            DeferPaint();
        else
            OnPaint();
        return 0;
    case WM_SYSCOLORCHANGE:
        m_iconSlots.clear();
        m_iconStripSlots = 0;
        break;
    case WM_DESTROY:
        ResetEntries();
        ReleaseCanvasFont();
        break;
    default:
        break;
    }
    return Default(message, wParam, lParam);
}

bool FileListBox::OnReflected(UINT message, WPARAM, LPARAM lParam, LRESULT& result)
{
    if (message != WM_DRAWITEM)
        return false;
    DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    result = TRUE;
    return true;
}

// One fit for a whole burst: it comes once the lines have paused a moment, or
// twice a second while they keep coming.
void FileListBox::ScheduleWidthFit()
{
    m_lastChange = GetTickCount64();
    if (m_fitPending || !Handle())
        return;
    SuspendRedraw();
    m_burstStart = m_lastChange;
    if (SetTimer(Handle(), kFitTimer, kFitDelay, nullptr))
        m_fitPending = true;
}

// The timer keeps ticking while lines keep coming; restarting it for every line
// would cost a call to the window manager per line.
void FileListBox::OnFitTimer()
{
    const ULONGLONG now = GetTickCount64();
    if (now - m_lastChange < kFitDelay && now - m_burstStart < kLongestFitWait)
        return;
    KillTimer(Handle(), kFitTimer);
    FitWidth();
}

void FileListBox::RestartWidthFit()
{
    m_remeasure = true;
    ScheduleWidthFit();
}

// Lines are measured as they arrive; only after a deletion is every line
// measured again, since the widest may be gone.
void FileListBox::FitWidth()
{
    m_fitPending = false;
    const int count = Count();
    if (m_remeasure) {
        m_remeasure = false;
        m_widestText = 0;
        for (int i = 0; i < count; ++i)
            m_widestText = std::max(m_widestText, TextWidth(Text(i)));
    }
    const int extent = count ? m_widestText + kExtentMargin : 0;
    Send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(extent));
    ResumeRedraw();
}

int FileListBox::TextWidth(const std::wstring& text)
{
    HDC canvas = CanvasWithFont();
    SIZE size{};
    GetTextExtentPoint32W(canvas, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

// The list's font stays selected in the canvas, which also measures text: a
// window's context would cost a round trip to the display for every line.
HDC FileListBox::CanvasWithFont()
{
    const auto font = GetFont();
    if (font != m_canvasFont) {
        SelectObject(m_canvas.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
        m_canvasFont = font;
    }
    return m_canvas.get();
}

// The font belongs to the dialog, which deletes it after its controls are gone.
void FileListBox::ReleaseCanvasFont()
{
    SelectObject(m_canvas.get(), GetStockObject(SYSTEM_FONT));
    m_canvasFont = nullptr;
}

void FileListBox::PrepareShellIcons()
{
    SHFILEINFOW info{};
    SmallTypeIcon(L"file", 0, info);
}

int FileListBox::IconIndex(const std::wstring& path)
{
    size_t dot = path.find_last_of(L".\\/");
    // Folders are known by a key no extension can be.
    std::wstring extension = m_folderLines                                             ? L"\\"
                             : dot != std::wstring::npos && path[dot] == L'.' ? path.substr(dot)
                                                                               : std::wstring();
    CharLowerBuffW(extension.data(), static_cast<DWORD>(extension.size()));
    auto known = m_iconIndex.find(extension);
    if (known != m_iconIndex.end())
        return known->second;
    SHFILEINFOW info{};
    HIMAGELIST list = SmallTypeIcon(path, m_folderLines ? FILE_ATTRIBUTE_DIRECTORY : 0, info);
    int index = list ? info.iIcon : -1;
    if (list)
        m_systemIcons = list;
    m_iconIndex.emplace(std::move(extension), index);
    return index;
}

void FileListBox::ClickForMenu(POINT screen)
{
    const HWND list = Handle();
    RECT frame;
    GetWindowRect(list, &frame);
    if (!IsVisible() || !PtInRect(&frame, screen) || Count() == 0)
        return;
    POINT client = screen;
    ScreenToClient(list, &client);
    RECT inside;
    GetClientRect(list, &inside);
    if (!PtInRect(&inside, client))
        return;
    // Computed rather than asked for: the list's own query has 16 bits for the index.
    const auto height = static_cast<int>(Send(LB_GETITEMHEIGHT));
    const auto top = static_cast<int>(Send(LB_GETTOPINDEX));
    const int line = top + client.y / std::max(height, 1);
    if (line < Count() && Send(LB_GETSEL, static_cast<WPARAM>(line)) > 0) {
        Send(LB_SETCARETINDEX, static_cast<WPARAM>(line), FALSE);
        return;
    }
    WPARAM keys = 0;
    if (GetKeyState(VK_CONTROL) < 0)
        keys |= MK_CONTROL;
    if (GetKeyState(VK_SHIFT) < 0)
        keys |= MK_SHIFT;
    const LPARAM position = MAKELPARAM(client.x, client.y);
    Send(WM_LBUTTONDOWN, keys | MK_LBUTTON, position);
    Send(WM_LBUTTONUP, keys, position);
}

POINT FileListBox::KeyboardMenuPoint() const
{
    const HWND list = Handle();
    POINT at{0, 0};
    RECT inside, line;
    GetClientRect(list, &inside);
    if (Count() > 0 &&
        Send(LB_GETITEMRECT, static_cast<WPARAM>(CaretLine()), reinterpret_cast<LPARAM>(&line)) !=
            LB_ERR &&
        line.bottom > inside.top && line.top < inside.bottom)
        at.y = std::min(line.bottom, inside.bottom);
    ClientToScreen(list, &at);
    return at;
}

// Each icon is drawn once over each background into a strip and copied from
// there: drawing from the shell's list with its mask costs far more.
void FileListBox::DrawIcon(HDC dc, int icon, bool selected)
{
    if (icon < 0 || !m_systemIcons)
        return;
    int width = 0, height = 0;
    ImageList_GetIconSize(m_systemIcons, &width, &height);
    auto slot = m_iconSlots.find(icon);
    if (slot == m_iconSlots.end())
        slot = m_iconSlots.emplace(icon, AddIconToStrip(icon, width, height)).first;
    BitBlt(dc, 2, 0, width, height, m_iconStrip.get(), slot->second * width, selected ? height : 0, SRCCOPY);
}

// The strip's first row has the icons over the window's colour, the second
// over the highlight. A full strip doubles and its icons are drawn anew.
int FileListBox::AddIconToStrip(int icon, int width, int height)
{
    int slot = static_cast<int>(m_iconSlots.size());
    if (slot >= m_iconStripSlots) {
        m_iconStripSlots = std::max(m_iconStripSlots * 2, 16);
        m_iconStrip.Fit(m_iconStripSlots * width, 2 * height);
        std::vector<int> icons;
        for (const auto& [known, place] : m_iconSlots)
            icons.push_back(known);
        m_iconSlots.clear();
        for (int known : icons)
            m_iconSlots.emplace(known, AddIconToStrip(known, width, height));
        slot = static_cast<int>(m_iconSlots.size());
    }
    HDC strip = m_iconStrip.get();
    const RECT plain{slot * width, 0, (slot + 1) * width, height};
    const RECT marked{slot * width, height, (slot + 1) * width, 2 * height};
    FillRect(strip, &plain, GetSysColorBrush(COLOR_WINDOW));
    FillRect(strip, &marked, GetSysColorBrush(COLOR_HIGHLIGHT));
    ImageList_Draw(m_systemIcons, icon, strip, plain.left, plain.top, ILD_TRANSPARENT);
    ImageList_Draw(m_systemIcons, icon, strip, marked.left, marked.top, ILD_TRANSPARENT);
    return slot;
}

// A list that paints and updates its scroll bar for every added line takes
// milliseconds per line.
void FileListBox::SuspendRedraw()
{
    if (m_redrawSuspended)
        return;
    SetRedraw(false);
    m_redrawSuspended = true;
    m_firstChangedLine = INT_MAX;
    m_topLineAtSuspend = TopLine();
}

// Lines added below the visible ones need no repaint, only the scroll bar,
// which the list updates itself: a long search mostly adds lines out of sight.
// What was uncovered or resized meanwhile is painted now.
void FileListBox::ResumeRedraw()
{
    if (!m_redrawSuspended)
        return;
    m_redrawSuspended = false;
    SetRedraw(true);
    if (m_firstChangedLine <= LastVisibleLine() || TopLine() != m_topLineAtSuspend)
        InvalidateRect(Handle(), nullptr, FALSE);
    else if (!IsRectEmpty(&m_deferredPaint))
        InvalidateRect(Handle(), &m_deferredPaint, FALSE);
    m_deferredPaint = {};
}

// The list box paints nothing while its redraw is off: a line it asked to
// repaint meanwhile (its caret line when a scroll bar comes) would stay blank.
void FileListBox::DeferPaint()
{
    RECT area;
    if (GetUpdateRect(Handle(), &area, FALSE))
        UnionRect(&m_deferredPaint, &m_deferredPaint, &area);
    ValidateRect(Handle(), nullptr);
}

void FileListBox::NoteChangeAt(int line)
{
    m_firstChangedLine = std::min(m_firstChangedLine, line);
}

int FileListBox::TopLine() const
{
    return std::max(static_cast<int>(Send(LB_GETTOPINDEX)), 0);
}

int FileListBox::LastVisibleLine() const
{
    RECT client;
    GetClientRect(Handle(), &client);
    const auto height = static_cast<int>(Send(LB_GETITEMHEIGHT));
    return TopLine() + client.bottom / std::max(height, 1);
}

// The list paints its lines into a bitmap that reaches the screen in one
// transfer: a transfer per line costs a round trip to the display each.
void FileListBox::OnPaint()
{
    PaintDC paint(Handle());
    RECT client;
    GetClientRect(Handle(), &client);
    if (client.right <= 0 || client.bottom <= 0)
        return;
    HDC frame = m_frame.Fit(client.right, client.bottom);
    FillRect(frame, &client, GetSysColorBrush(COLOR_WINDOW));
    Default(WM_PAINT, reinterpret_cast<WPARAM>(frame), 0);
    const RECT& dirty = paint.Area();
    BitBlt(paint.get(), dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, frame, dirty.left,
           dirty.top, SRCCOPY);
}

// Composed off-screen, so a line drawn on its own (a mark, the focus) does not flicker.
void FileListBox::DrawItem(const DRAWITEMSTRUCT& item)
{
    const auto index = static_cast<int>(item.itemID);
    const int width = item.rcItem.right - item.rcItem.left;
    const int height = item.rcItem.bottom - item.rcItem.top;
    if (index < 0 || index >= Count() || width <= 0 || height <= 0)
        return;
    m_canvas.Fit(width, height);
    HDC canvas = CanvasWithFont();

    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const RECT area{0, 0, width, height};
    FillRect(canvas, &area, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const auto* entry = reinterpret_cast<const DupFileEntry*>(item.itemData);
    if (entry && entry->bLastInGroup)
        DrawGroupSeparator(canvas, width, height);

    SetTextColor(canvas, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    SetBkMode(canvas, TRANSPARENT);
    const std::wstring text = Text(index);
    DrawIcon(canvas, IconIndex(text), selected);
    TextOutW(canvas, kTextLeft, 1, text.c_str(), static_cast<int>(text.size()));
    if (item.itemState & ODS_FOCUS)
        DrawFocusRect(canvas, &area);
    BitBlt(item.hDC, item.rcItem.left, item.rcItem.top, width, height, canvas, 0, 0, SRCCOPY);
}

}  // namespace twinsweep
