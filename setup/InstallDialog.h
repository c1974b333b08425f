// The install run's questions: shortcuts, Explorer menu, and whether to go on
// into a normal run.
#pragma once

#include "framework/Dialog.h"

namespace twinsweep {

class InstallDialog : public Dialog {
public:
    InstallDialog();

    BOOL m_bStartMenu = TRUE;
    BOOL m_bRunNow = TRUE;
    BOOL m_bDesktop = TRUE;
    BOOL m_bExplorer = TRUE;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool DoDataExchange(DataExchange& exchange) override;
};

}  // namespace twinsweep
