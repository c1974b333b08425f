// The owner-drawn list of duplicate files: one line per file, a grey line under
// each group, the file type's icon in front. The list owns the entries of its lines.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/SearchJob.h"
#include "framework/Window.h"

namespace twinsweep {

class FileListBox : public Wnd {
public:
    ~FileListBox() override;

    // Takes over a list box of a dialog template.
    bool Attach(HWND listBox);

    // Appends a line for the entry and takes it.
    void AddEntry(const std::wstring& path, std::unique_ptr<DupFileEntry> entry);
    // Deletes a line; a group that loses its first or last line passes the role on.
    void DeleteEntry(int index);
    void ResetEntries();

    int Count() const;
    DupFileEntry* Entry(int index) const;
    std::wstring Text(int index) const;
    // The marked lines, top to bottom.
    std::vector<int> SelectedLines() const;
    // The line with the focus rectangle (0 in an empty list).
    int CaretLine() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Lines change in bursts (a search's groups, a removal of many marks): the
    // list stops painting until the burst is over, then paints once and fits
    // its width.
    void ScheduleWidthFit();
    // After deletions the widest line may be gone: the next fit measures all.
    void RestartWidthFit();
    void FitWidth();
    void SuspendRedraw();
    void ResumeRedraw();
    void DrawItem(const DRAWITEMSTRUCT& item);

    bool m_fitPending = false;
    bool m_redrawSuspended = false;
    int m_measuredLines = 0;  // the lines at the top whose widths m_widestText covers
    int m_widestText = 0;
};

}  // namespace twinsweep
