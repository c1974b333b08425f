// The handler behind "&Twinsweep" in Explorer's context menu of folders: it takes
// the selected folders and, when the item is chosen, hands them to a new
// Twinsweep.exe from the library's own folder.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "win32/Handles.h"

namespace twinsweep {

class SweepMenuHandler final : public IShellExtInit, public IContextMenu {
public:
    SweepMenuHandler();
    SweepMenuHandler(const SweepMenuHandler&) = delete;
    SweepMenuHandler& operator=(const SweepMenuHandler&) = delete;

    IFACEMETHODIMP QueryInterface(REFIID iid, void** out) override;
    IFACEMETHODIMP_(ULONG) AddRef() override;
    IFACEMETHODIMP_(ULONG) Release() override;

    IFACEMETHODIMP Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY progId) override;

    IFACEMETHODIMP QueryContextMenu(HMENU menu, UINT indexMenu, UINT idCmdFirst, UINT idCmdLast,
                                    UINT flags) override;
    IFACEMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    IFACEMETHODIMP GetCommandString(UINT_PTR idCmd, UINT type, UINT* reserved, CHAR* buffer,
                                    UINT bufferLength) override;

private:
    ~SweepMenuHandler();
    HRESULT HandOverFolders() const;

    // Explorer calls an object only from the thread that made it.
    ULONG m_references = 1;
    // The selected folders, whole, in the order of the selection.
    std::vector<std::wstring> FolderList;
    // The menu does not take the item's image over, so it lives as long as we do.
    Bitmap m_menuImage;
};

}  // namespace twinsweep
