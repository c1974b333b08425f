#include "document/CDFDoc.h"

#include <shlobj.h>

#include "document/SearchThread.h"
#include "framework/Seams.h"
#include "platform/FileSystem.h"
#include "resources/resource.h"
#include "win32/Utf16.h"

namespace twinsweep {
namespace {


// The browser opens at the folder it is given, so that a folder beside the last
// one added is a click away.
int CALLBACK StartBrowserAt(HWND browser, UINT message, LPARAM, LPARAM folder)
{
    if (message == BFFM_INITIALIZED && folder)
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, folder);
    return 0;
}

}  // namespace

const wchar_t kMakerWebPage[] = L"https://www.mirelon.example/projects";

const CommandEntry<CDFDoc> CDFDoc::kCommands[] = {
    {ID_GO, &CDFDoc::OnGo, &CDFDoc::OnUpdateGo},
    {ID_ADD_FOLDER, &CDFDoc::OnAddFolder, &CDFDoc::OnUpdateNotBusy},
    {ID_REMOVE_ALL_FOLDERS, &CDFDoc::OnRemoveAllFolders, &CDFDoc::OnUpdateNotBusy},
    {ID_OTHER_PROJECTS, &CDFDoc::OnOtherProjects},
};

CDFDoc::CDFDoc()
    : m_folders(PlatformFileSystem())
{
}

CDFDoc::~CDFDoc()
{
    StopSearchAndWait();
}

bool CDFDoc::OnCommand(UINT id)
{
    return RunCommand(*this, kCommands, id);
}

bool CDFDoc::OnUpdateCommand(CommandState& state)
{
    return UpdateCommand(*this, kCommands, state);
}

void CDFDoc::AddFolders(const std::vector<std::wstring>& paths)
{
    if (m_bBusy) {
        m_waitingFolders.insert(m_waitingFolders.end(), paths.begin(), paths.end());
        return;
    }
    std::vector<std::string> utf8;
    for (const std::wstring& path : paths)
        utf8.push_back(WideToUtf8(path));
    std::vector<std::string> messages = m_folders.AddFolders(utf8);
    NotifyFoldersChanged();
    for (const std::string& box : FolderMessageBoxes(messages))
        ShowMessageBox(MainWindow(), Utf8ToWide(box));
}

void CDFDoc::RemoveFolder(size_t index)
{
    if (m_bBusy || index >= m_folders.Folders().size())
        return;
    m_folders.RemoveAt(index);
}

void CDFDoc::OnSearchEnded()
{
    m_search.Join();
    for (DocumentObserver* observer : m_observers)
        observer->OnSearchEnded();
    std::vector<std::wstring> waiting = std::move(m_waitingFolders);
    m_waitingFolders.clear();
    if (!waiting.empty())
        AddFolders(waiting);
}

void CDFDoc::StopSearchAndWait()
{
    m_search.StopAndWait();
}

void CDFDoc::OnGo()
{
    if (m_bBusy || !m_host)
        return;
    for (DocumentObserver* observer : m_observers)
        observer->OnSearchStarting();
    m_search.Start(*this, *m_host);
}

void CDFDoc::OnAddFolder()
{
    const std::wstring lastAdded = m_folders.Empty() ? std::wstring() : Utf8ToWide(m_folders.Folders().back());
    BROWSEINFOW browse{};
    browse.lpszTitle = L"Select the folder to add";
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    browse.lpfn = StartBrowserAt;
    browse.lParam = lastAdded.empty() ? 0 : reinterpret_cast<LPARAM>(lastAdded.c_str());
    // Freed through the shell's allocator.
    UniqueCoTaskMemory<PIDLIST_ABSOLUTE> chosen(SHBrowseForFolderW(&browse));
    if (!chosen)
        return;
    // Long enough for any path the shell can give.
    std::wstring path(32768, L'\0');
    if (SHGetPathFromIDListEx(chosen.get(), path.data(), static_cast<DWORD>(path.size()), GPFIDL_DEFAULT)) {
        path.resize(wcslen(path.c_str()));
        AddFolders({path});
    }
}

void CDFDoc::OnRemoveAllFolders()
{
    m_folders.RemoveAll();
    NotifyFoldersChanged();
}

void CDFDoc::OnOtherProjects()
{
    LaunchShell(L"open", kMakerWebPage);
}

void CDFDoc::OnUpdateGo(CommandState& state)
{
    state.Enable(!m_folders.Empty() && !m_bBusy);
}

void CDFDoc::OnUpdateNotBusy(CommandState& state)
{
    state.Enable(!m_bBusy);
}

void CDFDoc::ReportStatistics(const ResultStatistics& statistics)
{
    for (DocumentObserver* observer : m_observers)
        observer->OnStatisticsChanged(statistics);
}

void CDFDoc::AddObserver(DocumentObserver& observer)
{
    m_observers.push_back(&observer);
}

void CDFDoc::RemoveObserver(DocumentObserver& observer)
{
    std::erase(m_observers, &observer);
}

void CDFDoc::NotifyFoldersChanged()
{
    for (DocumentObserver* observer : m_observers)
        observer->OnFoldersChanged();
}

HWND CDFDoc::MainWindow() const
{
    return m_host ? m_host->MainWindow() : nullptr;
}

}  // namespace twinsweep
