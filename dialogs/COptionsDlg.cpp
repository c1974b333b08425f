#include "dialogs/COptionsDlg.h"

#include <commctrl.h>

#include <climits>

#include "document/Settings.h"
#include "engine/SearchJob.h"
#include "framework/DataExchange.h"
#include "framework/Seams.h"
#include "resources/resource.h"

namespace twinsweep {

COptionsDlg* g_pOptionsDlg = nullptr;

namespace {

constexpr wchar_t kEmptyRange[] = L"The lower bound of the size range is above the upper bound.";

// In the order of the unit indexes of the settings.
const wchar_t* const kUnits[] = {L"bytes", L"KB", L"MB"};

// What the range box enables and disables together.
const int kRangeControls[] = {IDC_RANGE_FROM, IDC_RANGE_FROM_SPIN, IDC_RANGE_FROM_UNIT, IDC_RANGE_TO,
                              IDC_RANGE_TO_SPIN, IDC_RANGE_TO_UNIT, IDC_RANGE_TO_TEXT};

}  // namespace

COptionsDlg::COptionsDlg() : Dialog(IDD_OPTIONS)
{
}

bool COptionsDlg::OnInitDialog()
{
    Dialog::OnInitDialog();
    g_pOptionsDlg = this;
    KeepWindowTitleActive(GetWindow(Handle(), GW_OWNER), true);
    for (int box : {IDC_RANGE_FROM_UNIT, IDC_RANGE_TO_UNIT}) {
        for (const wchar_t* unit : kUnits)
            SendDlgItemMessageW(Handle(), box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(unit));
    }
    // Up counts up, over every size a bound can take; typed values are not held
    // to this range.
    for (int spin : {IDC_RANGE_FROM_SPIN, IDC_RANGE_TO_SPIN})
        SendDlgItemMessageW(Handle(), spin, UDM_SETRANGE32, 0, INT_MAX);
    LoadOptions();
    UpdateData(false);
    ApplyRangeRule();
    return true;
}

void COptionsDlg::LoadOptions()
{
    m_bEqualCont = GetEqualCont();
    m_bEqualExt = GetEqualExt();
    m_bEqualNames = GetEqualNames();
    m_bShowEmptyFiles = GetShowEmptyFiles();
    GetSizeRange(m_bFilesInRange, m_rangeFrom, m_fromUnit, m_rangeTo, m_toUnit);
}

void COptionsDlg::StoreOptions()
{
    SetEqualCont(m_bEqualCont != FALSE);
    SetEqualExt(m_bEqualExt != FALSE);
    SetEqualNames(m_bEqualNames != FALSE);
    SetShowEmptyFiles(m_bShowEmptyFiles != FALSE);
    SetSizeRange(m_bFilesInRange, m_rangeFrom, m_fromUnit, m_rangeTo, m_toUnit);
}

bool COptionsDlg::DoDataExchange(DataExchange& exchange)
{
    exchange.Check(IDC_EQUAL_CONTENTS, m_bEqualCont);
    exchange.Check(IDC_EQUAL_EXTENSIONS, m_bEqualExt);
    exchange.Check(IDC_EQUAL_NAMES, m_bEqualNames);
    exchange.Check(IDC_SHOW_EMPTY_FILES, m_bShowEmptyFiles);
    exchange.ComboIndex(IDC_RANGE_FROM_UNIT, m_fromUnit);
    exchange.ComboIndex(IDC_RANGE_TO_UNIT, m_toUnit);
    exchange.Integer(IDC_RANGE_FROM, m_rangeFrom);
    exchange.Integer(IDC_RANGE_TO, m_rangeTo);
    exchange.Check(IDC_FILES_IN_RANGE, m_bFilesInRange);
    return !exchange.Failed();
}

// A bad number ends the transfer at its edit, with a box that is modal to the main
// window: until it is answered, the panel neither closes nor starts another transfer.
bool COptionsDlg::ReadControls()
{
    if (m_reading)
        return false;
    m_reading = true;
    const bool read = UpdateData(true);
    m_reading = false;
    return read;
}

void COptionsDlg::ApplyRangeRule()
{
    ReadControls();
    for (int id : kRangeControls)
        WindowRef(Item(id)).Enable(m_bFilesInRange != FALSE);
}

bool COptionsDlg::OnCommand(UINT id, UINT code, HWND control)
{
    if (id == IDC_FILES_IN_RANGE && code == BN_CLICKED) {
        ApplyRangeRule();
        return true;
    }
    return Dialog::OnCommand(id, code, control);
}

bool COptionsDlg::RangeIsEmpty() const
{
    return m_bFilesInRange && int64_t{m_rangeFrom} * UnitFactor(m_fromUnit) > int64_t{m_rangeTo} * UnitFactor(m_toUnit);
}

// As the console search refuses it: a search with it would walk every folder
// for nothing. The box is modal to the main window, so nothing there acts on the
// range meanwhile. The panel takes the activation back once the click that took
// it away is over.
void COptionsDlg::RefuseEmptyRange()
{
    m_reading = true;
    HWND owner = GetWindow(Handle(), GW_OWNER);
    ShowMessageBox(owner && IsWindowEnabled(owner) ? owner : Handle(), kEmptyRange, MB_OK | MB_ICONEXCLAMATION);
    m_reading = false;
    Post(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_RANGE_FROM)), TRUE);
}

// Enter, Escape and a click anywhere else all end here, and so does the panel's
// destruction with its owner. The panel may lose the activation again on the way
// (to the box about a bad number, or as it is destroyed): it closes once. An
// empty range keeps the panel open, unless it is being destroyed: then the range
// keeps the values it had. A bad number closes it all the same, storing what was
// read. True when it closed now; the panel may be gone then.
bool COptionsDlg::Close()
{
    if (m_closing || m_reading)
        return false;
    const bool read = ReadControls();
    if (read && RangeIsEmpty() && IsWindowVisible(Handle())) {
        RefuseEmptyRange();
        return false;
    }
    m_closing = true;
    if (read && RangeIsEmpty())
        GetSizeRange(m_bFilesInRange, m_rangeFrom, m_fromUnit, m_rangeTo, m_toUnit);
    StoreOptions();
    Release();
    // A hidden panel is being destroyed already, with its owner.
    if (IsWindowVisible(Handle()))
        DestroyWindow(Handle());
    return true;
}

// The filter kept the main window's title bar active. Unless the main window is
// what takes the activation, its title bar must now show that it has lost it.
void COptionsDlg::OnDeactivate(HWND activated)
{
    HWND frame = GetWindow(Handle(), GW_OWNER);
    if (Close() && frame && activated != frame)
        SendMessageW(frame, WM_NCACTIVATE, FALSE, 0);
}

void COptionsDlg::Release()
{
    if (g_pOptionsDlg != this)
        return;
    KeepWindowTitleActive(GetWindow(Handle(), GW_OWNER), false);
    g_pOptionsDlg = nullptr;
}

INT_PTR COptionsDlg::DialogProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE)
            break;
        OnDeactivate(reinterpret_cast<HWND>(lParam));
        return TRUE;
    case WM_DESTROY:
        Close();
        // Even a panel destroyed in the middle of a transfer leaves the main window
        // as it found it.
        Release();
        break;
    }
    return Dialog::DialogProc(message, wParam, lParam);
}

}  // namespace twinsweep
