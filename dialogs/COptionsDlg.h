// The Options panel: drops from the toolbar's Options button and edits the search
// criteria, empty files and the size range. Modeless and short-lived: whenever it
// closes (Enter, Escape or a click anywhere else) it stores its values in the
// settings and deletes itself.
#pragma once

#include <windows.h>

#include "framework/Dialog.h"

namespace twinsweep {

class COptionsDlg : public Dialog {
public:
    COptionsDlg();

protected:
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override { Close(); }
    void OnCancel() override { Close(); }
    bool DoDataExchange(DataExchange& exchange) override;
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage() override { delete this; }

private:
    void LoadOptions();
    void StoreOptions();
    // False when a control held no valid value.
    bool ReadControls();
    void ApplyRangeRule();
    // A range whose lower bound lies above its upper one admits no file.
    bool RangeIsEmpty() const;
    void RefuseEmptyRange();
    bool Close();
    void OnDeactivate(HWND activated);
    // Gives the main window its procedure back; the panel is no longer the open one.
    void Release();

    // In the order of the exchange.
    BOOL m_bEqualCont = FALSE;
    BOOL m_bEqualExt = FALSE;
    BOOL m_bEqualNames = FALSE;
    BOOL m_bShowEmptyFiles = FALSE;
    int m_fromUnit = -1;
    int m_toUnit = -1;
    int m_rangeFrom = 0;
    int m_rangeTo = 0;
    BOOL m_bFilesInRange = FALSE;

    // While the controls are read or a range is refused, a box may take the
    // activation: that is no click elsewhere.
    bool m_reading = false;
    bool m_closing = false;
};

// The open panel, or null. The main window shows its Options button pressed
// while there is one.
extern COptionsDlg* g_pOptionsDlg;

}  // namespace twinsweep
