// The install run's questions: shortcuts, Explorer menu, and whether to go on
// into a normal run.
#pragma once

#include <functional>

#include "framework/Dialog.h"

namespace twinsweep {

class InstallDialog : public Dialog {
public:
    // The check tells whether no instance of the program runs; when one does, it
    // says so in a box owned by the dialog.
    explicit InstallDialog(std::function<bool(HWND owner)> checkNotRunning);

    BOOL m_bStartMenu = TRUE;
    BOOL m_bRunNow = TRUE;
    BOOL m_bDesktop = TRUE;
    BOOL m_bExplorer = TRUE;

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    bool DoDataExchange(DataExchange& exchange) override;

private:
    std::function<bool(HWND owner)> m_checkNotRunning;
};

}  // namespace twinsweep
