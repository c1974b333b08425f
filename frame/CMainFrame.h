// The main window: toolbar with the mask box and link area, the three panes in two
// splitters, the status bar; drop target for folders.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>

#include "frame/LinkToolBar.h"
#include "framework/FrameWindow.h"
#include "framework/Splitter.h"

namespace twinsweep {

class CDFDoc;
class CDirView;
class CResultView;
class CStatView;

class CMainFrame : public FrameWindow {
public:
    CMainFrame();
    ~CMainFrame() override;

    bool Create(CDFDoc& document);

    // The text of the mask box; a mask not seen before goes to the top of its
    // history, which keeps the 20 newest.
    std::wstring GetFilterMask();
    // Status bar pane 1, repainted at once.
    void SetStatusInfo(const std::wstring& text);

    CDirView& DirView() { return *m_dirView; }
    CResultView& ResultView() { return *m_resultView; }
    CStatView& StatView() { return *m_statView; }
    HWND FilterBox() const { return m_filterBox; }

    // The program's main frame, or null (views shown without one in tests).
    static CMainFrame* Instance();

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
    bool m_maximizeAtStart = false;
    HWND m_filterBox = nullptr;
};

}  // namespace twinsweep
