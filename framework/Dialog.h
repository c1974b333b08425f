// Windows made from dialog templates: modal and modeless dialogs, and the base of
// the form views.
#pragma once

#include <windows.h>

#include "framework/Window.h"

namespace twinsweep {

class DataExchange;

// A window whose procedure is a dialog procedure.
class DialogWindow : public Wnd {
public:
    UINT TemplateId() const { return m_templateId; }
    HWND Item(int id) const { return GetDlgItem(Handle(), id); }

protected:
    explicit DialogWindow(UINT templateId) : m_templateId(templateId) {}
    HWND CreateFromTemplate(HWND parent);
    INT_PTR RunModal(HWND owner);

    // Returns TRUE when handled; a message with a result gives it through Result.
    virtual INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Result(LRESULT result);

private:
    static INT_PTR CALLBACK StaticDialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    UINT m_templateId;
};

class Dialog : public DialogWindow {
public:
    explicit Dialog(UINT templateId) : DialogWindow(templateId) {}

    INT_PTR DoModal(HWND owner);
    // A modeless dialog; it takes part in the message loop's keyboard handling.
    bool CreateModeless(HWND owner);
    // Ends a modal dialog with the result, or destroys a modeless one.
    void EndDialog(INT_PTR result);
    // Moves the members into the controls, or with saveAndValidate the controls
    // into the members; false when a control held no valid value.
    bool UpdateData(bool saveAndValidate = true);

protected:
    // True to let the system set the focus.
    virtual bool OnInitDialog() { return true; }
    // Commands of buttons and other controls; IDOK and IDCANCEL by default.
    virtual bool OnCommand(UINT id, UINT code, HWND control);
    virtual bool OnNotify(NMHDR* header, LRESULT& result);
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }
    // Exchanges every member with its control; true when the exchange completed.
    virtual bool DoDataExchange(DataExchange&) { return true; }
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    bool m_modal = false;
};

// Centres a window on another (or on the desktop).
void CenterWindow(HWND window, HWND on);

}  // namespace twinsweep
