#include "framework/DataExchange.h"

#include <optional>
#include <string>

#include "framework/Controls.h"
#include "framework/IntegerText.h"
#include "framework/Seams.h"

namespace twinsweep {
namespace {

constexpr wchar_t kNotAnInteger[] = L"Please enter an integer.";

}  // namespace

void DataExchange::Check(int id, BOOL& checked)
{
    if (m_failed)
        return;
    if (m_saveAndValidate)
        checked = IsDlgButtonChecked(m_dialog, id) == BST_CHECKED;
    else
        CheckDlgButton(m_dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

// An index the list does not have shows as no selection, not as the old one.
void DataExchange::ComboIndex(int id, int& index)
{
    if (m_failed)
        return;
    HWND combo = GetDlgItem(m_dialog, id);
    if (m_saveAndValidate) {
        index = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
        return;
    }
    const bool listed = index >= 0 && index < SendMessageW(combo, CB_GETCOUNT, 0, 0);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(listed ? index : -1), 0);
}

void DataExchange::Text(int id, std::wstring& text)
{
    if (m_failed)
        return;
    HWND edit = GetDlgItem(m_dialog, id);
    if (m_saveAndValidate)
        text = WindowRef(edit).Text();
    else
        SetWindowTextW(edit, text.c_str());
}

void DataExchange::Integer(int id, int& value)
{
    if (m_failed)
        return;
    HWND edit = GetDlgItem(m_dialog, id);
    if (!m_saveAndValidate) {
        SetWindowTextW(edit, std::to_wstring(value).c_str());
        return;
    }
    if (std::optional<int> number = ParseInteger(WindowRef(edit).Text()))
        value = *number;
    else
        RejectEdit(edit, kNotAnInteger);
}

// The box is modal to a modeless dialog's owner, so that nothing there acts on
// values the dialog has not taken yet; a modal dialog's owner is disabled already,
// and the box belongs to the dialog. The bad text is selected, so that typing
// replaces it.
void DataExchange::RejectEdit(HWND edit, const wchar_t* message)
{
    m_failed = true;
    HWND owner = GetWindow(m_dialog, GW_OWNER);
    ShowMessageBox(owner && IsWindowEnabled(owner) ? owner : m_dialog, message, MB_OK | MB_ICONEXCLAMATION);
    SetFocus(edit);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

}  // namespace twinsweep
