// Turns a static control into a link: underlined text in the link colour (another
// once followed), a hand cursor, a tooltip with the target, and on a click the
// shell's action on the target or a message to the parent.
#pragma once

#include <windows.h>

#include <string>

#include "framework/Gdi.h"
#include "framework/Window.h"

namespace twinsweep {

class CStaticHyperLink : public Wnd {
public:
    enum LinkKind { LK_DEFAULT = 0, LK_USERDEFINED = 1, LK_HELPFILE = 2, LK_OPEN = 3, LK_EMAIL = 4 };
    static constexpr UINT kToolId = 107;

    ~CStaticHyperLink() override;

    // Takes over a static control of a dialog.
    bool Attach(HWND label);
    void SetLink(int kind, const std::wstring& target, const std::wstring& parameters = {},
                 const std::wstring& directory = {});
    // A file of the Help folder beside the program.
    void SetHelpLink(const std::wstring& fileName);
    // Carries out the link's action now.
    void FollowLink();
    bool Visited() const { return m_bVisited; }
    std::wstring ToolTipText() const { return m_strToolTip; }

    COLORREF m_crLink = RGB(0, 0, 255);
    COLORREF m_crVisited = RGB(128, 0, 128);
    bool m_bUseWindowText = true;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    void InitControl();
    bool CreateLinkFont();
    void UpdateToolTipText();
    void OnLinkClicked();
    HBRUSH LinkCtlColor(HDC dc);
    bool IsTextLabel() const;
    std::wstring WindowText() const;
    void OpenHelpFile(const std::wstring& fileName);
    void ReportCannotOpen(const std::wstring& name) const;

    bool m_bVisited = false;
    HCURSOR m_hHandCursor = nullptr;
    Font m_font;
    HWND m_toolTip = nullptr;
    int m_nKind = LK_HELPFILE;
    std::wstring m_strToolTip;
    std::wstring m_strTarget;
    std::wstring m_strParams;
    std::wstring m_strDirectory;
};

}  // namespace twinsweep
