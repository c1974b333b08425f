// What the search thread sends the windows that show a search, numbered from
// WM_USER (WM_APP for the main window's). A value means something only to the
// window class it is sent to; where it is also one the system defines for the
// same class, that is marked.
#pragma once

#include <windows.h>

namespace twinsweep {

// To the progress window (sent; a reply of 0 means stop). The progress window is
// a dialog, whose class also knows DM_REPOSITION (WM_USER + 2): the window handles
// WM_PROGRESS_SETRANGE ahead of the dialog manager, and nothing in the program
// sends it DM_REPOSITION.
constexpr UINT WM_PROGRESS_SETRANGE = WM_USER + 2;  // wParam upper bound, lParam 0 overall / 1 file bar
constexpr UINT WM_PROGRESS_SETPOS = WM_USER + 3;    // wParam position, lParam the bar
constexpr UINT WM_PROGRESS_SETTEXT = WM_USER + 4;   // wParam const wchar_t* text
constexpr UINT WM_PROGRESS_DONE = WM_USER + 5;      // lParam 1 hide the file bar, 0 the search is over
constexpr UINT WM_PROGRESS_SETCAPTION = WM_USER + 9;  // wParam const wchar_t* caption

// To the result view (sent).
constexpr UINT WM_RESULT_ADDGROUP = WM_USER + 6;   // wParam DupGroup*, lParam its byte total
constexpr UINT WM_RESULT_FILECOUNT = WM_USER + 10;  // wParam files collected so far
// After the file groups: wParam std::vector<FolderGroup>*, whose groups the view
// takes.
constexpr UINT WM_RESULT_FOLDERGROUPS = WM_APP + 3;

// To the main window. Posted when the thread has ended.
constexpr UINT WM_SEARCH_ENDED = WM_APP + 1;
// Sent when a search that was not stopped found nothing; the search waits, its
// progress window still up, until the window has said so.
constexpr UINT WM_SEARCH_FOUND_NOTHING = WM_APP + 2;

}  // namespace twinsweep
