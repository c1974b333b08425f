// The drive pick list: a drop-down list combo box whose items carry check
// states. Closed, it shows the first characters of the checked items ("c, d");
// opened, a check list takes the place of the drop-down list. An item's data is
// its check state, 0 or 1, which the owner sets and reads.
#pragma once

#include <windows.h>

#include <string>

#include "controls/ControlMessages.h"
#include "framework/Dialog.h"
#include "framework/Window.h"

namespace twinsweep {

// An owner-drawn list box with a check box in front of every line; the item data
// holds the check state. Space or a click on the box toggles a line.
class CCheckListBox : public Wnd {
public:
    bool Attach(HWND listBox);
    void AddItem(const std::wstring& text, bool checked);
    int Count() const;
    bool GetCheck(int index) const;
    void SetCheck(int index, bool checked);
    void SetAllChecks(bool checked);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void OnLButtonDown(LPARAM position);
    void Toggle(int index);
    void DrawItem(const DRAWITEMSTRUCT& item);
};

class CCheckCombo;

// The check list dropped under a CCheckCombo. It writes the check states back to
// the combo box and destroys itself as soon as it loses the activation, or on
// Enter or Escape.
class CCheckListPopup : public Dialog {
public:
    explicit CCheckListPopup(CCheckCombo& combo);

    CCheckListBox& List() { return m_list; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override { Close(); }
    void OnCancel() override { Close(); }
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage() override { delete this; }

private:
    void OnDeactivate(HWND activated);
    void OnContextMenu(int x, int y);
    // Writes the checks back to the combo box and goes; once only, however it closes.
    void Close();

    CCheckCombo& m_combo;
    CCheckListBox m_list;
    bool m_closed = false;
    bool m_destroying = false;
};

class CCheckCombo : public Wnd {
public:
    ~CCheckCombo() override;

    // Takes over a combo box of a dialog template.
    bool Attach(HWND combo);
    void AddItem(const std::wstring& text, bool checked);
    int Count() const;
    std::wstring ItemText(int index) const;
    bool IsChecked(int index) const;
    // What the closed control shows: the first characters of the checked items.
    std::wstring FieldText() const;
    // The open check list, or null.
    CCheckListPopup* Popup() const { return m_pPopup; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    friend class CCheckListPopup;
    void OnOpenPopup();
    void OnPopupClosed(const CCheckListBox& list);
    void DrawField(const DRAWITEMSTRUCT& item);

    CCheckListPopup* m_pPopup = nullptr;
};

}  // namespace twinsweep
