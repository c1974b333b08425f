// The controls' own window messages. A value means something only to the window
// class it is sent to, so numbers from WM_USER are shared with other classes'
// messages (the main window's WM_STARTUP is WM_USER + 1 too).
#pragma once

#include <windows.h>

namespace twinsweep {

// Posted by the drive pick list's combo box to itself: open the check list instead
// of the drop-down list. A combo box has no message of its own at this number.
constexpr UINT WM_CHECKCOMBO_OPENPOPUP = WM_USER + 1;

// From a hyperlink label to its parent.
constexpr UINT WM_LINK_CLICKED = WM_USER + 11;

}  // namespace twinsweep
