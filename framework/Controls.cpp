#include "framework/Controls.h"

namespace twinsweep {
namespace {

// A list's item text through its length and text messages, which the combo box
// and the list box both have.
std::wstring ItemText(HWND control, UINT lengthMessage, UINT textMessage, int index)
{
    const LRESULT length = SendMessageW(control, lengthMessage, static_cast<WPARAM>(index), 0);
    if (length < 0)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendMessageW(control, textMessage, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
    return text;
}

}  // namespace

std::wstring WindowRef::Text() const
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(m_hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(m_hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

int ComboBoxRef::Count() const
{
    return static_cast<int>(SendMessageW(m_hwnd, CB_GETCOUNT, 0, 0));
}

std::wstring ComboBoxRef::ItemText(int index) const
{
    return twinsweep::ItemText(m_hwnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

int ListBoxRef::Count() const
{
    return static_cast<int>(SendMessageW(m_hwnd, LB_GETCOUNT, 0, 0));
}

std::wstring ListBoxRef::ItemText(int index) const
{
    return twinsweep::ItemText(m_hwnd, LB_GETTEXTLEN, LB_GETTEXT, index);
}

}  // namespace twinsweep
