// Takes the screenshots of the documentation and the help file: the main window
// with results, its statistics pane, the progress window during a search, the
// Equal folders tab, the two context menus, a menu opened from the keyboard, the
// Options panel and its refusal of an empty size range, the Select files dialog
// and the install dialog. Runs the real program in-process on a small tree of
// example files and writes BMP files of the screen into the folder given;
// scripts/screenshots.sh turns them into PNG.
#include <windows.h>
#include <commctrl.h>

#include <shlobj.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "document/Settings.h"
#include "app/SweepApp.h"
#include "dialogs/COptionsDlg.h"
#include "document/CDFDoc.h"
#include "document/SearchMessages.h"
#include "frame/CMainFrame.h"
#include "framework/Gdi.h"
#include "framework/Seams.h"
#include "resources/resource.h"
#include "setup/InstallDialog.h"
#include "views/CDirView.h"
#include "views/CResultView.h"
#include "views/CStatView.h"

namespace twinsweep {
namespace {

class ShotApp : public SweepApp {
public:
    using SweepApp::ExitInstance;
};

std::wstring g_outputFolder;

// The screen within a rectangle, as a 24-bit BMP file.
void SaveScreen(const RECT& area, const wchar_t* name)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    WindowDC screen(nullptr);
    MemoryDC memory(screen.get());
    Bitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    {
        SelectScope selected(memory.get(), bitmap.get());
        BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
    }
    BITMAPINFOHEADER header{sizeof header, width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<char> pixels(static_cast<size_t>(((width * 3 + 3) & ~3) * height));
    GetDIBits(memory.get(), bitmap.get(), 0, static_cast<UINT>(height), pixels.data(),
              reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS);
    BITMAPFILEHEADER file{0x4D42, 0, 0, 0, sizeof(BITMAPFILEHEADER) + sizeof header};
    file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
    std::ofstream out(std::filesystem::path(g_outputFolder) / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
}

RECT WindowArea(HWND window, int margin = 0)
{
    RECT rect;
    GetWindowRect(window, &rect);
    InflateRect(&rect, margin, margin);
    return rect;
}

void WriteFile(const std::wstring& path, size_t size, unsigned seed)
{
    std::wstring folder = path.substr(0, path.rfind(L'\\'));
    SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 2654435761u + seed * 40503u) >> 13);
    std::ofstream(std::filesystem::path(path), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Photos kept twice, a holiday's folder copied whole, documents saved again under
// another name, music in three places: what a duplicate search usually finds.
std::vector<std::wstring> MakeExampleFiles(const std::wstring& root)
{
    struct Example {
        const wchar_t* path;
        size_t size;
        unsigned seed;
    };
    const Example examples[] = {
        {L"Photos\\Holiday 2024\\IMG_0412.jpg", 2412544, 1},
        {L"Photos\\Holiday 2024\\IMG_0413.jpg", 2380121, 2},
        {L"Photos\\Holiday 2024\\IMG_0414.jpg", 2290004, 3},
        {L"Backup\\Phone\\IMG_0412.jpg", 2412544, 1},
        {L"Backup\\Phone\\IMG_0413 (1).jpg", 2380121, 2},
        {L"Backup\\Phone\\Camera\\IMG_0414.jpg", 2290004, 3},
        {L"Backup\\Old laptop\\Holiday 2024\\IMG_0412.jpg", 2412544, 1},
        {L"Backup\\Old laptop\\Holiday 2024\\IMG_0413.jpg", 2380121, 2},
        {L"Backup\\Old laptop\\Holiday 2024\\IMG_0414.jpg", 2290004, 3},
        {L"Documents\\Report 2025.docx", 48211, 4},
        {L"Documents\\Old\\Report 2025 (final).docx", 48211, 4},
        {L"Documents\\Budget.xlsx", 20480, 5},
        {L"Music\\Quartet\\01 Allegro.mp3", 7340032, 6},
        {L"Backup\\Music\\01 Allegro.mp3", 7340032, 6},
        {L"Downloads\\01 Allegro.mp3", 7340032, 6},
        {L"Downloads\\setup-2.1.exe", 1048576, 7},
        {L"Backup\\Installers\\setup-2.1.exe", 1048576, 7},
    };
    for (const Example& example : examples)
        WriteFile(root + L"\\" + example.path, example.size, example.seed);
    return {root + L"\\Photos", root + L"\\Documents", root + L"\\Music", root + L"\\Downloads", root + L"\\Backup"};
}

HHOOK g_hook = nullptr;

// Photographs the progress window as the comparison reports its first position.
LRESULT CALLBACK WatchProgress(int code, WPARAM wParam, LPARAM lParam)
{
    const auto& sent = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    static bool taken = false;
    if (code == HC_ACTION && !taken && sent.message == WM_PROGRESS_SETPOS && sent.lParam == 0 &&
        GetDlgItem(sent.hwnd, IDC_STOP)) {
        taken = true;
        HWND progress = sent.hwnd;
        RedrawWindow(GetWindow(progress, GW_OWNER), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        RedrawWindow(progress, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        SaveScreen(WindowArea(GetWindow(progress, GW_OWNER)), L"progress-window.bmp");
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

const wchar_t* g_menuShot = nullptr;
HWND g_frame = nullptr;

void CALLBACK PhotographMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    SaveScreen(WindowArea(g_frame), g_menuShot);
    EndMenu();
}

void PhotographContextMenu(const wchar_t* name, const std::function<void()>& open)
{
    g_menuShot = name;
    SetTimer(nullptr, 0, 400, PhotographMenu);
    open();
}

// The main window with a message box in front, then the box answered.
const wchar_t* g_boxShot = nullptr;

void CALLBACK PhotographBox(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    SaveScreen(WindowArea(g_frame), g_boxShot);
    if (HWND box = FindWindowW(L"#32770", L"Twinsweep"))
        PostMessageW(box, WM_COMMAND, IDOK, 0);
}

// A modal dialog photographed once it stands, after `prepare` has filled it in as
// a user would, and closed as Cancel would.
struct DialogShot {
    const wchar_t* caption;
    const wchar_t* name;
    std::function<void(HWND)> prepare;
};
DialogShot g_dialogShot;

HWND ShotDialog()
{
    return FindWindowW(L"#32770", g_dialogShot.caption);
}

void CALLBACK PhotographDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    HWND dialog = ShotDialog();
    if (!dialog)
        return;
    SaveScreen(WindowArea(dialog), g_dialogShot.name);
    EndDialog(dialog, IDCANCEL);
}

// The dialog repaints what `prepare` changed before the photograph.
void CALLBACK PrepareDialog(HWND, UINT, UINT_PTR timer, DWORD)
{
    KillTimer(nullptr, timer);
    if (HWND dialog = ShotDialog(); dialog && g_dialogShot.prepare)
        g_dialogShot.prepare(dialog);
    SetTimer(nullptr, 0, 300, PhotographDialog);
}

void PhotographDialogWhenShown(DialogShot shot)
{
    g_dialogShot = std::move(shot);
    SetTimer(nullptr, 0, 400, PrepareDialog);
}

// Every copy under Backup but the first of its group: a typical clean-up.
void ChooseBackupCopies(HWND dialog)
{
    SendDlgItemMessageW(dialog, IDC_SEL_WHAT, CB_SETCURSEL, 2, 0);
    SendDlgItemMessageW(dialog, IDC_SEL_CONTAIN_ON, BM_CLICK, 0, 0);
    SetDlgItemTextW(dialog, IDC_SEL_CONTAIN, L"\\Backup\\");
}

void Settle(ShotApp& app)
{
    for (int i = 0; i < 20; ++i) {
        app.PumpMessages();
        Sleep(20);
    }
}

}  // namespace
}  // namespace twinsweep

int wmain(int argc, wchar_t** argv)
{
    using namespace twinsweep;
    if (argc != 3) {
        std::fprintf(stderr, "usage: gui_screenshots EXAMPLE-FOLDER OUTPUT-FOLDER\n");
        return 2;
    }
    g_outputFolder = argv[2];
    std::vector<std::wstring> folders = MakeExampleFiles(argv[1]);
    SetMessageBoxHandler([](HWND, const std::wstring&, UINT) { return IDOK; });

    ShotApp app;
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);
    if (!app.StartNormalRun(L"Twinsweep.exe"))
        return 1;
    CMainFrame& frame = *app.Frame();
    g_frame = frame.Handle();
    MoveWindow(frame.Handle(), 40, 30, 940, 660, TRUE);
    Settle(app);
    app.Document()->AddFolders(folders);
    Settle(app);

    g_hook = SetWindowsHookExW(WH_CALLWNDPROC, WatchProgress, nullptr, GetCurrentThreadId());
    frame.RouteCommand(ID_GO);
    while (app.Document()->m_bBusy || app.Document()->SearchRunning()) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        app.PumpMessages();
    }
    UnhookWindowsHookEx(g_hook);

    HWND files = GetDlgItem(frame.ResultView().Handle(), IDC_FILE_LIST);
    for (int line : {1, 3, 5})
        SendMessageW(files, LB_SETSEL, TRUE, line);
    frame.ResultView().UpdateSelectionStatus();
    Settle(app);
    SaveScreen(WindowArea(frame.Handle()), L"main-window.bmp");
    SaveScreen(WindowArea(frame.StatView().Handle()), L"statistics.bmp");

    HWND list = frame.DirView().FolderList();
    ListView_SetItemState(list, 1, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    RECT line;
    ListView_GetItemRect(list, 1, &line, LVIR_BOUNDS);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&line), 2);
    SetCursorPos(line.left + 60, line.top + 6);
    PhotographContextMenu(L"folder-menu.bmp", [&] {
        NMHDR click{list, IDC_FOLDER_LIST, static_cast<UINT>(NM_RCLICK)};
        SendMessageW(frame.DirView().Handle(), WM_NOTIFY, IDC_FOLDER_LIST, reinterpret_cast<LPARAM>(&click));
    });
    Settle(app);

    RECT item;
    SendMessageW(files, LB_GETITEMRECT, 3, reinterpret_cast<LPARAM>(&item));
    MapWindowPoints(files, nullptr, reinterpret_cast<POINT*>(&item), 2);
    SetCursorPos(item.left + 120, item.top + 6);
    PhotographContextMenu(L"result-menu.bmp", [&] {
        SendMessageW(frame.ResultView().Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(files),
                     MAKELPARAM(item.left + 120, item.top + 6));
    });
    Settle(app);

    // As Alt+T opens it.
    PhotographContextMenu(L"keyboard-menu.bmp",
                          [&] { SendMessageW(frame.Handle(), WM_SYSCOMMAND, SC_KEYMENU, L't'); });
    Settle(app);

    frame.RouteCommand(ID_OPTIONS);
    Settle(app);
    SaveScreen(WindowArea(frame.Handle()), L"options-panel.bmp");
    if (g_pOptionsDlg) {
        // A range from 10 KB down to 1 KB, refused with the box in front.
        HWND panel = g_pOptionsDlg->Handle();
        CheckDlgButton(panel, IDC_FILES_IN_RANGE, BST_CHECKED);
        SendMessageW(panel, WM_COMMAND, MAKEWPARAM(IDC_FILES_IN_RANGE, BN_CLICKED), 0);
        SetDlgItemTextW(panel, IDC_RANGE_FROM, L"10");
        SetDlgItemTextW(panel, IDC_RANGE_TO, L"1");
        Settle(app);
        SetMessageBoxHandler(nullptr);
        g_boxShot = L"options-refusal.bmp";
        SetTimer(nullptr, 0, 400, PhotographBox);
        SendMessageW(panel, WM_COMMAND, IDOK, 0);
        SetMessageBoxHandler([](HWND, const std::wstring&, UINT) { return IDOK; });
        Settle(app);
        CheckDlgButton(panel, IDC_FILES_IN_RANGE, BST_UNCHECKED);
        SendMessageW(panel, WM_COMMAND, IDCANCEL, 0);
    }
    Settle(app);

    PhotographDialogWhenShown({L"Select files", L"select-dialog.bmp", ChooseBackupCopies});
    frame.RouteCommand(ID_SELECT_FILES);
    Settle(app);

    HWND tabs = GetDlgItem(frame.ResultView().Handle(), IDC_RESULT_TABS);
    TabCtrl_SetCurSel(tabs, 1);
    NMHDR change{tabs, IDC_RESULT_TABS, TCN_SELCHANGE};
    SendMessageW(frame.ResultView().Handle(), WM_NOTIFY, IDC_RESULT_TABS, reinterpret_cast<LPARAM>(&change));
    SendMessageW(GetDlgItem(frame.ResultView().Handle(), IDC_SECOND_FILE_LIST), LB_SETSEL, TRUE, 1);
    Settle(app);
    SaveScreen(WindowArea(frame.Handle()), L"equal-folders.bmp");

    SendMessageW(frame.Handle(), WM_CLOSE, 0, 0);
    app.PumpMessages();
    app.ExitInstance();
    RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKeyPath);

    PhotographDialogWhenShown({L"Install Twinsweep", L"install-dialog.bmp", nullptr});
    InstallDialog install(SweepApp::CheckNotRunning);
    install.DoModal(nullptr);
    return 0;
}
