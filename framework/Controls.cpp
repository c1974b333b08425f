#include "framework/Controls.h"

#include <commctrl.h>

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

int ComboBoxRef::Count() const
{
    return static_cast<int>(Send(CB_GETCOUNT));
}

std::wstring ComboBoxRef::ItemText(int index) const
{
    return twinsweep::ItemText(m_hwnd, CB_GETLBTEXTLEN, CB_GETLBTEXT, index);
}

int ListBoxRef::Count() const
{
    return static_cast<int>(Send(LB_GETCOUNT));
}

std::wstring ListBoxRef::ItemText(int index) const
{
    return twinsweep::ItemText(m_hwnd, LB_GETTEXTLEN, LB_GETTEXT, index);
}

int ListViewRef::Count() const
{
    return static_cast<int>(Send(LVM_GETITEMCOUNT));
}

// A list view tells no cell's length: the buffer grows until the text fits.
std::wstring ListViewRef::ItemText(int row, int column) const
{
    std::wstring text(64, L'\0');
    for (;;) {
        LVITEMW query{};
        query.iSubItem = column;
        query.pszText = text.data();
        query.cchTextMax = static_cast<int>(text.size());
        const LRESULT copied = Send(LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&query));
        if (copied < 0)
            return {};
        if (static_cast<size_t>(copied) + 1 < text.size()) {
            text.resize(static_cast<size_t>(copied));
            return text;
        }
        text.resize(text.size() * 2);
    }
}

}  // namespace twinsweep
