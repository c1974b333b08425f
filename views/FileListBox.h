// The owner-drawn list of duplicate files: one line per file, a grey line under
// each group, the file type's icon in front. The list owns the entries of its lines.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/SearchJob.h"
#include "framework/Gdi.h"
#include "framework/Window.h"

namespace twinsweep {

class FileListBox : public Wnd {
public:
    ~FileListBox() override;

    // Takes over a list box of a dialog template.
    bool Attach(HWND listBox);
    // Has the shell build its list of file-type icons, which it does on first use
    // and which takes a while. Any thread, COM initialised on it.
    static void PrepareShellIcons();

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

    // Lines show folders: they get the folder icon.
    void ShowFolderIcons() { m_folderLines = true; }
    // Before a context menu: a right click on a marked line keeps all marks, so
    // the menu acts on all of them; elsewhere it marks like a left click with the
    // same keys held.
    void ClickForMenu(POINT screen);
    // Where a menu opened from the keyboard goes: under the caret line.
    POINT KeyboardMenuPoint() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    bool OnReflected(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // Lines change in bursts (a search's groups, a removal of many marks): the
    // list stops painting until the burst has paused a moment, then paints once
    // and fits its width. Repainting a list and its scroll bar costs far more
    // than adding a line, so a long search repaints twice a second.
    void ScheduleWidthFit();
    void OnFitTimer();
    // After deletions the widest line may be gone: the next fit measures all.
    void RestartWidthFit();
    void FitWidth();
    int TextWidth(const std::wstring& text);
    void SuspendRedraw();
    void ResumeRedraw();
    void NoteChangeAt(int line);
    int TopLine() const;
    int LastVisibleLine() const;
    void OnPaint();
    // A paint asked for while the list does not paint is kept for the moment it
    // paints again.
    void DeferPaint();
    void DrawItem(const DRAWITEMSTRUCT& item);
    void DrawIcon(HDC dc, int icon, bool selected);
    int AddIconToStrip(int icon, int width, int height);
    HDC CanvasWithFont();
    void ReleaseCanvasFont();
    // The small icon of a file's type, by its extension.
    int IconIndex(const std::wstring& path);

    bool m_fitPending = false;
    ULONGLONG m_burstStart = 0;
    ULONGLONG m_lastChange = 0;
    bool m_redrawSuspended = false;
    // The topmost line added or deleted while the list did not paint.
    int m_firstChangedLine = 0;
    int m_topLineAtSuspend = 0;
    RECT m_deferredPaint{};
    bool m_remeasure = false;
    int m_widestText = 0;
    // A line is composed on the canvas, the whole list in the frame.
    BackBuffer m_canvas;
    HFONT m_canvasFont = nullptr;
    BackBuffer m_frame;
    HIMAGELIST m_systemIcons = nullptr;  // the shell's own list: never destroyed
    std::unordered_map<std::wstring, int> m_iconIndex;
    bool m_folderLines = false;
    // The icons drawn so far, by their index in the shell's list: their slots in the strip.
    std::unordered_map<int, int> m_iconSlots;
    BackBuffer m_iconStrip;
    int m_iconStripSlots = 0;
};

}  // namespace twinsweep
