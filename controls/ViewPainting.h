// Painting helpers the panes and controls share, the shell's properties sheet, and the
// owners of the image lists and context menus the views build.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/Gdi.h"

namespace twinsweep {

// The 15-pixel caption strip of a view: a grey gradient with the view's word
// bitmap centred on it (pure red is transparent), composed off-screen. The pane
// that holds the keyboard focus has the colours of an active title bar instead.
void DrawViewCaption(HWND view, HDC dc, UINT bitmapId);
constexpr int kCaptionHeight = 15;

// A horizontal gradient from RGB(55, 55, 55) to nearly white; a solid
// near-black bar on displays of fewer than 16 bits per pixel.
void DrawCaptionGradient(HDC dc, const RECT& rect);
// From the active title bar's colour to its gradient colour; that colour alone
// on displays of fewer than 16 bits per pixel.
void DrawFocusedCaptionGradient(HDC dc, const RECT& rect);

// Draws a bitmap resource centred in the rectangle; pixels of the transparent
// colour leave the target as it was.
void DrawTransparentBitmap(UINT bitmapId, HDC dc, const RECT& rect, COLORREF transparent);

// The shell's properties sheet of a file or folder, owned by the main window.
void ShowProperties(const std::wstring& path);

// The main window, the owner of the shell's windows; null without one.
HWND MainWindowHandle();

// One popup of a menu resource, made ready item by item and then tracked; the
// menu and the item bitmaps live as long as this object.
class ContextMenu {
public:
    ContextMenu(UINT menuId, int popupIndex);
    ~ContextMenu();
    ContextMenu(ContextMenu&& other) noexcept;
    ContextMenu& operator=(ContextMenu&&) = delete;
    ContextMenu(const ContextMenu&) = delete;
    ContextMenu& operator=(const ContextMenu&) = delete;

    HMENU Popup() const { return m_popup; }
    // Gives the command its bitmap (checked or not) and its enabled state.
    void SetItem(UINT command, UINT bitmapId, bool enabled);
    // Runs the menu at a screen point; the chosen command reaches the owner as
    // WM_COMMAND.
    void Track(HWND owner, POINT screen) const;

private:
    UniqueMenu m_menu;
    HMENU m_popup = nullptr;
    std::vector<Bitmap> m_bitmaps;
};

}  // namespace twinsweep
