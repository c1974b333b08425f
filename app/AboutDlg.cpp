#include "app/AboutDlg.h"

#include "resources/resource.h"

namespace twinsweep {
namespace {

// The maker's address behind "Mirelon Software".
const wchar_t kMakerAddress[] = L"twinsweep@mirelon.example";

}  // namespace

CAboutDlg::CAboutDlg() : Dialog(IDD_ABOUTBOX)
{
}

bool CAboutDlg::OnInitDialog()
{
    m_link.Attach(Item(IDC_ABOUT_LINK));
    m_link.SetLink(CStaticHyperLink::LK_EMAIL, kMakerAddress);
    CenterWindow(Handle(), nullptr);
    return true;
}

}  // namespace twinsweep
