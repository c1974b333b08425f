// Thin views of windows and controls: no ownership, and one-line readers in
// place of message casts and text buffers at every caller.
#pragma once

#include <windows.h>

#include <string>

namespace twinsweep {

class WindowRef {
public:
    explicit WindowRef(HWND hwnd) : m_hwnd(hwnd) {}
    HWND Handle() const { return m_hwnd; }
    // The whole text, whatever its length.
    std::wstring Text() const;
    bool SetText(const std::wstring& text) const { return SetWindowTextW(m_hwnd, text.c_str()) != FALSE; }

protected:
    HWND m_hwnd;
};

class ComboBoxRef : public WindowRef {
public:
    using WindowRef::WindowRef;
    int Count() const;
    // Empty for an index with no item.
    std::wstring ItemText(int index) const;
};

class ListBoxRef : public WindowRef {
public:
    using WindowRef::WindowRef;
    int Count() const;
    // Empty for an index with no item.
    std::wstring ItemText(int index) const;
};

}  // namespace twinsweep
