// The top-level frame of the document: menu, accelerators, toolbar, status bar, a
// client window between them, command routing and menu prompts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Bars.h"
#include "framework/Commands.h"
#include "framework/Document.h"
#include "framework/FormView.h"
#include "framework/Window.h"

namespace twinsweep {

class FrameWindow : public Wnd, public CommandTarget {
public:
    static constexpr UINT kIdleMessage = 57345;  // "Ready"

    // The menu, accelerators and icon share the resource id.
    bool CreateFrame(UINT resourceId, const wchar_t* title, Document& document);

    // The view that has or last had the keyboard focus.
    FormView* ActiveView();
    void SetActiveView(FormView* view);

    // Carries out a command by the first target that handles it: the view it came
    // from or the active view, the document, the frame, the application.
    bool RouteCommand(UINT id, CommandTarget* from = nullptr);
    // The state of a command along the same road; a command that nobody handles
    // is disabled.
    CommandState QueryCommand(UINT id);
    CommandState QueryCommand(UINT id, CommandTarget* view);

    // Idle time: toolbar buttons follow their commands; the status bar says
    // "Ready" unless a menu or a button is under the pointer.
    virtual void OnIdleUpdate();
    // The frame's keys, before the message is dispatched: Tab and Shift+Tab
    // between the stops, then the accelerators. True when the key was used.
    virtual bool PreTranslateMessage(MSG& msg);
    bool HandleAccelerator(MSG& msg);
    void SetMessageText(const std::wstring& text);
    // Status bar pane 1, repainted at once.
    void SetStatusInfo(const std::wstring& text);

    ToolBar* GetToolBar() { return m_toolBar; }
    StatusBar& GetStatusBar() { return m_statusBar; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnCommand(UINT id) override;
    bool OnUpdateCommand(CommandState& state) override;

    // Builds the client window (and the views) during creation.
    virtual bool OnCreateClient() { return true; }
    virtual void RecalcLayout();
    void SetClientWindow(HWND client) { m_client = client; }
    void SetToolBar(ToolBar& toolBar) { m_toolBar = &toolBar; }
    // The views in pane order, for Next Pane and Previous Pane.
    void AddView(FormView& view) { m_views.push_back(&view); }
    // What Tab moves the focus along, in order: the panes by default.
    virtual std::vector<HWND> TabStops() const;

    StatusBar m_statusBar;

private:
    void UpdateMenu(HMENU menu);
    void OnSysColorChange(WPARAM wParam, LPARAM lParam);
    void ShowPrompt(UINT commandId);
    void ShowIdleMessage();
    void ActivateNextPane(int step);
    bool OnTabKey(const MSG& msg);
    void FocusStop(HWND stop);
    // The pane that holds the keyboard focus shows it in its caption.
    void FollowFocusedPane();
    void OnNextPane() { ActivateNextPane(1); }
    void OnPrevPane() { ActivateNextPane(-1); }
    void OnAppExit();
    bool OnToolTip(NMHDR* header);
    LRESULT OnNotify(NMHDR* header);

    static const CommandEntry<FrameWindow> kCommands[];
    ToolBar* m_toolBar = nullptr;
    Document* m_document = nullptr;
    HWND m_client = nullptr;
    HACCEL m_accelerators = nullptr;
    std::vector<FormView*> m_views;
    FormView* m_activeView = nullptr;
    FormView* m_focusedView = nullptr;
    bool m_inMenu = false;
    bool m_overButton = false;
    std::wstring m_toolTip;
};

}  // namespace twinsweep
