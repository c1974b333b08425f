// The progress window of a search: what is being looked at, two bars and Stop.
// Modeless; it deletes itself when it closes.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "engine/SearchJob.h"

#include "controls/BitmapButton.h"
#include "framework/Dialog.h"

namespace twinsweep {

class CProgressDlg : public Dialog {
public:
    CProgressDlg();

    // The search this window follows: Stop takes effect on it at once, before its
    // next report.
    void FollowSearch(std::shared_ptr<SearchJob> job) { m_job = std::move(job); }

    // Pressing Stop, Escape, Enter or the close box asks the search to stop; the
    // window stays until the search has ended, so no search runs without it.
    bool StopRequested() const { return m_bStop; }

protected:
    bool OnInitDialog() override;
    bool OnCommand(UINT id, UINT code, HWND control) override;
    void OnOK() override { OnStop(); }
    void OnCancel() override { OnStop(); }
    INT_PTR DialogProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnFinalMessage() override { delete this; }

private:
    void OnStop();
    INT_PTR OnSetRange(WPARAM upper, LPARAM bar);
    INT_PTR OnSetPos(WPARAM position, LPARAM bar);
    INT_PTR OnSetText(const wchar_t* text);
    INT_PTR OnDone(LPARAM what);
    INT_PTR OnSetCaption(const wchar_t* caption);
    INT_PTR Reply() { return Result(m_bStop ? 0 : 1); }
    HWND Bar(LPARAM bar) const;

    std::wstring m_caption;
    std::wstring m_text;
    std::atomic<bool> m_bStop{false};
    std::shared_ptr<SearchJob> m_job;
    BitmapButton m_stopButton;
};

}  // namespace twinsweep
