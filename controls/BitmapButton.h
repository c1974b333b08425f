// A push button that shows a bitmap instead of its text (the Stop button).
#pragma once

#include <windows.h>

#include "framework/Window.h"

namespace twinsweep {

class BitmapButton : public Wnd {
public:
    // Pixels of the transparent colour let the button's face show through.
    BitmapButton(UINT bitmapId, COLORREF transparent) : m_bitmapId(bitmapId), m_transparent(transparent) {}

    // Takes over an owner-drawn button of a dialog.
    bool Attach(HWND button) { return Subclass(button); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);

    UINT m_bitmapId;
    COLORREF m_transparent;
};

}  // namespace twinsweep
