// Moves a dialog's values between its members and its controls, one control at a
// time in the order the dialog lists them.
#pragma once

#include <windows.h>

#include <string>

namespace twinsweep {

class DataExchange {
public:
    // saveAndValidate: from the controls into the members; otherwise the other way.
    DataExchange(HWND dialog, bool saveAndValidate) : m_dialog(dialog), m_saveAndValidate(saveAndValidate) {}

    // After a failure the rest of the exchange leaves members and controls alone.
    bool Failed() const { return m_failed; }

    // A check box, checked for a true member.
    void Check(int id, BOOL& checked);
    // The selected item of a combo box's list, -1 for none.
    void ComboIndex(int id, int& index);
    // The text of an edit, as typed.
    void Text(int id, std::wstring& text);
    // An edit holding a signed decimal integer. Any other text is reported to the
    // user and fails the exchange.
    void Integer(int id, int& value);

private:
    void RejectEdit(HWND edit, const wchar_t* message);

    HWND m_dialog;
    bool m_saveAndValidate;
    bool m_failed = false;
};

}  // namespace twinsweep
