// A handle to a window that owns nothing, and the base of every window object of
// the program, which binds itself to its window and handles the window's messages
// in WindowProc.
#pragma once

#include <windows.h>

#include <string>

namespace twinsweep {

// One-line helpers in place of message casts and text buffers at every caller.
class WindowRef {
public:
    WindowRef() = default;
    explicit WindowRef(HWND hwnd) : m_hwnd(hwnd) {}
    HWND Handle() const { return m_hwnd; }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return SendMessageW(m_hwnd, message, wParam, lParam);
    }
    bool Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const
    {
        return PostMessageW(m_hwnd, message, wParam, lParam) != FALSE;
    }
    bool IsEnabled() const { return IsWindowEnabled(m_hwnd) != FALSE; }
    void Enable(bool enable) const { EnableWindow(m_hwnd, enable); }
    bool IsVisible() const { return IsWindowVisible(m_hwnd) != FALSE; }
    void Show(bool show) const { ShowWindow(m_hwnd, show ? SW_SHOW : SW_HIDE); }
    bool Redraw() const { return InvalidateRect(m_hwnd, nullptr, TRUE) != FALSE; }
    // Off while many changes are made, so that the window repaints once after.
    void SetRedraw(bool redraw) const { Send(WM_SETREDRAW, redraw ? TRUE : FALSE); }
    HFONT GetFont() const { return reinterpret_cast<HFONT>(Send(WM_GETFONT)); }
    void SetFont(HFONT font) const { Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }
    // The whole text, whatever its length.
    std::wstring Text() const;
    bool SetText(const std::wstring& text) const { return SetWindowTextW(m_hwnd, text.c_str()) != FALSE; }

protected:
    HWND m_hwnd = nullptr;
};

class Wnd : public WindowRef {
public:
    Wnd() = default;
    // Unbinds first, so the window's last messages never reach a half-destroyed
    // object, then destroys a window that is still there.
    virtual ~Wnd();
    Wnd(const Wnd&) = delete;
    Wnd& operator=(const Wnd&) = delete;

    // The object bound to a window, or null.
    static Wnd* FromHandle(HWND hwnd);

    // Creates a window of the program's own class. A top-level frame names its
    // icon resource.
    bool Create(DWORD exStyle, const wchar_t* title, DWORD style, const RECT& rect, HWND parent, UINT id,
                UINT iconId = 0);
    // Takes over the messages of an existing window, such as a control of a dialog.
    bool Subclass(HWND hwnd);

    // A drop-down part (a panel, a pop-up list) takes the activation from the window
    // it drops from; while this is set, that window keeps its active title bar, so
    // that the part looks like a piece of it.
    void KeepTitleActive(bool keep) { m_keepTitleActive = keep; }
    bool KeepsTitleActive() const { return m_keepTitleActive; }

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What the window would do without this object.
    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam);
    // A message about this control that its parent hands back to it: owner
    // drawing, colours, notifications. True when handled.
    virtual bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    // After the window's last message; a window that owns itself deletes itself here.
    virtual void OnFinalMessage() {}

    // True for a message that would show the title bar inactive while it is kept
    // active; the window then answers it with 1 and nothing else happens.
    bool HoldsTitle(UINT message, WPARAM wParam) const;

    // For windows whose procedure the system owns (dialogs).
    void Bind(HWND hwnd);
    void Unbind();
    void FinalMessage();

private:
    friend bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
    static LRESULT CALLBACK StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    // The procedure of a window taken over; null for the program's own windows.
    WNDPROC m_previousProc = nullptr;
    bool m_keepTitleActive = false;
};

// Wnd::KeepTitleActive for the object bound to a window, when there is one.
void KeepWindowTitleActive(HWND window, bool keep);

// Hands a parent's message to the control it concerns (WM_DRAWITEM, WM_MEASUREITEM,
// WM_CTLCOLOR*, WM_COMMAND and WM_NOTIFY from a control). True when the control
// handled it; result is then the message's result.
bool ReflectToControl(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// The instance whose resources the program uses.
HINSTANCE ResourceInstance();

}  // namespace twinsweep
