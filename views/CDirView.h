// The pane that lists the folders to search.
#pragma once

#include <windows.h>

#include <string>

#include "controls/ViewPainting.h"
#include "document/DocumentObserver.h"
#include "framework/FormView.h"

namespace twinsweep {

class CDFDoc;

class CDirView : public FormView, public DocumentObserver {
public:
    CDirView();
    ~CDirView() override;

    void OnInitialUpdate() override;
    // Rebuilds the lines from the document's folder list.
    void RefreshFolderList();
    // The focused line's folder, or an empty string.
    std::wstring GetFocusedFolder() const;
    HWND FolderList() const { return m_list; }
    // The context menu with its items set for the list as it is now.
    ContextMenu PrepareContextMenu() const;

    bool OnCommand(UINT id) override;
    bool OnUpdateCommand(CommandState& state) override;
    void OnFoldersChanged() override { RefreshFolderList(); }

protected:
    void OnDraw(HDC dc) override;
    void OnSize(int cx, int cy) override;
    bool OnNotify(NMHDR* header, LRESULT& result) override;

private:
    void OnExplore();
    void OnOpen();
    void OnProperties();
    void OnRemove();
    void OnUpdateFocused(CommandState& state);
    void OnUpdateRemove(CommandState& state);
    void ShowContextMenu();
    void LaunchOnFocused(const wchar_t* verb);
    int FocusedLine() const;
    bool CanRemove() const;
    CDFDoc* Document() const;

    static const CommandEntry<CDirView> kCommands[];
    HWND m_list = nullptr;
    UniqueImageList m_images;
};

}  // namespace twinsweep
