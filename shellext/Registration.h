// Registration of the library as the COM server of SweepMenuHandler, as the
// handler of Explorer's context menu for folders, and of its type library.
#pragma once

#include <windows.h>

namespace twinsweep {

// Both return S_OK or the first failure; a class key left by an older version
// is replaced whole.
HRESULT RegisterServer();
// Removes what only this library uses and leaves the shared parent keys.
HRESULT UnregisterServer();

}  // namespace twinsweep
