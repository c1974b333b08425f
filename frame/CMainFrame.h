// The main window: toolbar with the mask box and link area, the three panes in two
// splitters, the status bar; drop target for folders.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/DocumentObserver.h"
#include "frame/LinkToolBar.h"
#include "framework/FrameWindow.h"
#include "framework/Splitter.h"

namespace twinsweep {

class CDFDoc;
class CDirView;
class CResultView;
class CStatView;

// It owns the panes and the progress window of a search, and hosts the
// document's searches.
class CMainFrame : public FrameWindow, public SearchHost {
public:
    CMainFrame();
    ~CMainFrame() override;

    bool Create(CDFDoc& document);
    // Folders the document takes once the message loop runs.
    void SetStartFolders(std::vector<std::wstring> folders) { m_startFolders = std::move(folders); }

    // The text of the mask box; a mask not seen before goes to the top of its
    // history, which keeps the 20 newest.
    std::wstring GetFilterMask() override;
    HWND OpenProgressWindow(std::shared_ptr<SearchJob> job) override;
    HWND ResultWindow() const override;
    HWND MainWindow() const override { return Handle(); }

    CDirView& DirView() { return *m_dirView; }
    CResultView& ResultView() { return *m_resultView; }
    CStatView& StatView() { return *m_statView; }
    HWND FilterBox() const { return m_filterBox; }

    // Enter in the mask box starts the search, as in any search box.
    bool PreTranslateMessage(MSG& msg) override;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCreateClient() override;
    bool OnCommand(UINT id) override;
    bool OnUpdateCommand(CommandState& state) override;
    void OnIdleUpdate() override;
    // The mask box, then the three panes.
    std::vector<HWND> TabStops() const override;

private:
    LRESULT OnCreate();
    void OnStartup();
    void OnNothingFound();
    void OnClose();
    void OnDropFiles(HDROP drop);
    void OnSize(int width);
    void OnHelp();
    void OnHelpRequest(const HELPINFO& help);
    void OnOptions();
    void OnUpdateOptions(CommandState& state);
    // Select Files belongs to the result pane, also when another pane is active.
    void OnSelectFiles();
    void OnUpdateSelectFiles(CommandState& state);
    void CreateToolBar();
    void CreateFilterBox();
    void FitFilterBox();
    static RECT OnSomeScreen(RECT rect);
    void PlaceWindow();
    void ApplyPaneWidthRule(int clientWidth);

    static const CommandEntry<CMainFrame> kCommands[];
    CDFDoc* m_document = nullptr;
    LinkToolBar m_linkToolBar;
    StaticSplitter m_outerSplitter;
    StaticSplitter m_innerSplitter;
    std::unique_ptr<CDirView> m_dirView;
    std::unique_ptr<CStatView> m_statView;
    std::unique_ptr<CResultView> m_resultView;
    std::vector<std::wstring> m_startFolders;
    bool m_maximizeAtStart = false;
    HWND m_filterBox = nullptr;
};

}  // namespace twinsweep
