#include "setup/InstallDialog.h"

#include "framework/DataExchange.h"
#include "framework/Seams.h"
#include "resources/resource.h"

namespace twinsweep {

InstallDialog::InstallDialog(std::function<bool(HWND owner)> checkNotRunning)
    : Dialog(IDD_INSTALL), m_checkNotRunning(std::move(checkNotRunning))
{
}

bool InstallDialog::DoDataExchange(DataExchange& exchange)
{
    exchange.Check(IDC_INSTALL_DESKTOP, m_bDesktop);
    exchange.Check(IDC_INSTALL_START_MENU, m_bStartMenu);
    exchange.Check(IDC_INSTALL_RUN_NOW, m_bRunNow);
    exchange.Check(IDC_INSTALL_EXPLORER, m_bExplorer);
    return !exchange.Failed();
}

// A running instance is only a warning here; OK refuses until it has ended.
bool InstallDialog::OnInitDialog()
{
    UpdateData(false);
    CenterWindow(Handle(), nullptr);
    m_checkNotRunning(Handle());
    return true;
}

void InstallDialog::OnOK()
{
    if (m_checkNotRunning(Handle()) && UpdateData(true))
        EndDialog(IDOK);
}

void InstallDialog::OnCancel()
{
    if (ShowMessageBox(Handle(), IDS_CONFIRM_CANCEL_INSTALL, MB_YESNO | MB_ICONQUESTION) == IDYES)
        EndDialog(IDCANCEL);
}

}  // namespace twinsweep
