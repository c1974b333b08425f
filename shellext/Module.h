// What Vexil.dll knows about itself: its own module handle and the lock count
// that tells COM whether the library may be unloaded.
#pragma once

#include <windows.h>

namespace twinsweep {

// The library's own handle, never the host's: Explorer is the process here.
HINSTANCE ModuleInstance();

// One lock per live object, per LockServer(TRUE) and per outside reference to
// the class factory.
void LockModule();
void UnlockModule();

}  // namespace twinsweep
