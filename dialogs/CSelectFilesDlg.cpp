#include "dialogs/CSelectFilesDlg.h"

#include "document/Settings.h"
#include "framework/DataExchange.h"
#include "framework/Seams.h"
#include "resources/resource.h"

namespace twinsweep {
namespace {

// In the order of the rule indexes the settings keep.
const wchar_t* const kRules[] = {L"All", L"Every first item in all groups",
                                 L"All items besides every first in each group"};

// The controls each condition's check box enables.
struct Condition {
    int checkBox;
    int control;
};
const Condition kConditions[] = {
    {IDC_SEL_CONTAIN_ON, IDC_SEL_CONTAIN}, {IDC_SEL_EXT_ON, IDC_SEL_EXT}, {IDC_SEL_DRIVES_ON, IDC_SEL_DRIVES}};

// "c:\" and, for a fixed or network drive with a label, " [LABEL]". Other drives
// are not asked: an empty floppy or CD drive would keep the user waiting.
std::wstring DriveItemText(wchar_t letter)
{
    const wchar_t root[] = {letter, L':', L'\\', L'\0'};
    std::wstring text = root;
    const UINT type = GetDriveTypeW(root);
    if (type != DRIVE_FIXED && type != DRIVE_REMOTE)
        return text;
    wchar_t label[MAX_PATH + 1] = {};
    wchar_t fileSystem[MAX_PATH + 1] = {};
    if (GetVolumeInformationW(root, label, MAX_PATH + 1, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1) &&
        label[0])
        text += std::wstring(L" [") + label + L"]";
    return text;
}

}  // namespace

CSelectFilesDlg::CSelectFilesDlg() : Dialog(IDD_SELECT_FILES)
{
}

bool CSelectFilesDlg::OnInitDialog()
{
    m_cbWhat = Item(IDC_SEL_WHAT);
    for (const wchar_t* rule : kRules)
        SendMessageW(m_cbWhat, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(rule));
    m_cbDrives.Attach(Item(IDC_SEL_DRIVES));
    FillDrives();
    MatchFieldHeight();
    // What is typed must fit the settings, or it would come back cut.
    for (int edit : {IDC_SEL_CONTAIN, IDC_SEL_EXT})
        SendDlgItemMessageW(Handle(), edit, EM_LIMITTEXT, kMaxSettingChars, 0);
    LoadChoices();
    UpdateData(false);
    UpdateEnabledStates();
    CenterWindow(Handle(), GetWindow(Handle(), GW_OWNER));
    return true;
}

// A drive without a disk must not bring up the system's "insert a disk" box
// while the drives are looked at.
void CSelectFilesDlg::FillDrives()
{
    const UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    const DWORD present = GetLogicalDrives();
    const uint32_t remembered = GetLastSelDrives();
    for (int bit = 0; bit < 26; ++bit) {
        if (present & (1u << bit))
            m_cbDrives.AddItem(DriveItemText(static_cast<wchar_t>(L'a' + bit)), (remembered & (1u << bit)) != 0);
    }
    SetErrorMode(previousMode);
}

// Some systems add a margin of their own to the height set: what counts is that
// both boxes come out equally tall.
void CSelectFilesDlg::MatchFieldHeight()
{
    const auto height = static_cast<int>(SendMessageW(m_cbWhat, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    if (height <= 0)
        return;
    m_cbDrives.Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
    RECT rule, field;
    GetWindowRect(m_cbWhat, &rule);
    GetWindowRect(m_cbDrives.Handle(), &field);
    const int excess = (field.bottom - field.top) - (rule.bottom - rule.top);
    if (excess != 0 && height - excess > 0)
        m_cbDrives.Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height - excess);
}

void CSelectFilesDlg::LoadChoices()
{
    m_nWhat = GetSelDlg_What();
    m_bContainOn = GetSelDlg_ContainOn();
    m_bExtOn = GetSelDlg_ExtOn();
    m_bDrivesOn = GetSelDlg_DrivesOn();
    m_bUnselectOthers = GetSelDlg_UnselOthers();
    m_strContain = GetSelDlg_Contain();
    m_strExt = GetSelDlg_Ext();
}

void CSelectFilesDlg::StoreChoices()
{
    SetSelDlg_What(m_nWhat);
    SetSelDlg_ContainOn(m_bContainOn != 0);
    SetSelDlg_ExtOn(m_bExtOn != 0);
    SetSelDlg_DrivesOn(m_bDrivesOn != 0);
    SetSelDlg_UnselOthers(m_bUnselectOthers != 0);
    SetSelDlg_Contain(m_strContain);
    SetSelDlg_Ext(m_strExt);
}

bool CSelectFilesDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Check(IDC_SEL_CONTAIN_ON, m_bContainOn);
    exchange.ComboIndex(IDC_SEL_WHAT, m_nWhat);
    exchange.Check(IDC_SEL_DRIVES_ON, m_bDrivesOn);
    exchange.Check(IDC_SEL_EXT_ON, m_bExtOn);
    exchange.Check(IDC_SEL_UNSELECT_OTHERS, m_bUnselectOthers);
    exchange.Text(IDC_SEL_CONTAIN, m_strContain);
    exchange.Text(IDC_SEL_EXT, m_strExt);
    return !exchange.Failed();
}

void CSelectFilesDlg::UpdateEnabledStates()
{
    UpdateData(true);
    for (const Condition& condition : kConditions)
        WindowRef(Item(condition.control)).Enable(IsDlgButtonChecked(Handle(), condition.checkBox) == BST_CHECKED);
}

bool CSelectFilesDlg::OnCommand(UINT id, UINT code, HWND control)
{
    const bool condition = id == IDC_SEL_CONTAIN_ON || id == IDC_SEL_EXT_ON || id == IDC_SEL_DRIVES_ON;
    if (condition && code == BN_CLICKED) {
        UpdateEnabledStates();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

void CSelectFilesDlg::OnOK()
{
    if (!UpdateData(true))
        return;
    if (m_bContainOn && m_strContain.empty())
        return Refuse(L"The \"Containing\" string is empty");
    if (m_bExtOn && m_strExt.empty())
        return Refuse(L"The extension string is empty");
    if (m_bDrivesOn) {
        const uint32_t drives = CollectDrives();
        if (m_strDrives.empty())
            return Refuse(L"No drives are selected");
        SetLastSelDrives(drives);
    }
    StoreChoices();
    EndDialog(IDOK);
}

uint32_t CSelectFilesDlg::CollectDrives()
{
    m_strDrives.clear();
    uint32_t mask = 0;
    const int count = m_cbDrives.Count();
    for (int i = 0; i < count; ++i) {
        const std::wstring text = m_cbDrives.ItemText(i);
        if (!m_cbDrives.IsChecked(i) || text.empty() || text.front() < L'a' || text.front() > L'z')
            continue;
        m_strDrives += text.front();
        mask |= 1u << (text.front() - L'a');
    }
    return mask;
}

void CSelectFilesDlg::Refuse(const wchar_t* message)
{
    ShowMessageBox(Handle(), message, MB_OK | MB_ICONWARNING);
}

}  // namespace twinsweep
