// The install and uninstall runs write below HKEY_LOCAL_MACHINE and
// HKEY_CLASSES_ROOT, which takes an elevated process: started without
// administrator rights, such a run starts itself again elevated and ends.
#pragma once

#include <functional>
#include <string>

namespace twinsweep {

// Carried by the elevated start, so that a start that still is not elevated
// (user account control turned off for a standard user) goes on as it is
// instead of starting itself again and again.
extern const wchar_t kElevatedSwitch[];

// Whether the process has administrator rights. Where the system cannot tell
// (no user account control), the run goes on and reports what it cannot do.
bool RunsElevated();
// For tests: the answer of RunsElevated; an empty probe restores the real one.
void SetElevationProbe(std::function<bool()> probe);

// True when this run is to end here: it is not elevated, was not started as the
// elevated run (its arguments hold no kElevatedSwitch), and it has asked the
// shell to start the program again elevated with runSwitch ("/I" or "/U"). A
// refusal at the system's prompt is the user's answer and ends the run quietly;
// any other failure to start is reported.
bool RestartElevatedIfNeeded(bool startedElevated, const std::wstring& runSwitch);

}  // namespace twinsweep
