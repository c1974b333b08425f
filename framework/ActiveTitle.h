// A drop-down part (a panel, a pop-up list) takes the activation from the window
// it drops from; that window keeps its active title bar meanwhile, so the part
// looks like a piece of it.
#pragma once

#include <windows.h>

namespace twinsweep {

void KeepTitleActive(HWND window);
void StopKeepingTitleActive(HWND window);

}  // namespace twinsweep
