// The "Select files" dialog: which files of each group to mark (all, the first,
// all but the first), narrowed to paths containing a text, to extensions and to
// drives. It checks what was typed, remembers the choices in the settings and
// leaves them in its members for the result view.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "controls/CCheckCombo.h"
#include "framework/Dialog.h"

namespace twinsweep {

class CSelectFilesDlg : public Dialog {
public:
    CSelectFilesDlg();

    CCheckCombo& Drives() { return m_cbDrives; }

    // The lower-case letters of the drives checked at OK.
    std::wstring m_strDrives;
    int m_bContainOn = 0;
    int m_nWhat = 0;
    int m_bDrivesOn = 0;
    int m_bExtOn = 0;
    int m_bUnselectOthers = 1;
    std::wstring m_strContain;
    std::wstring m_strExt;

protected:
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override;
    bool DoDataExchange(DataExchange& exchange) override;

private:
    void FillDrives();
    void MatchFieldHeight();
    void LoadChoices();
    void StoreChoices();
    void UpdateEnabledStates();
    // The checked drives into m_strDrives; their mask, bit 0 for drive a.
    uint32_t CollectDrives();
    void Refuse(const wchar_t* message);

    HWND m_cbWhat = nullptr;
    CCheckCombo m_cbDrives;
};

}  // namespace twinsweep
