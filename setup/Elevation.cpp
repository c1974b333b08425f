#include "setup/Elevation.h"

#include <windows.h>

#include "framework/Seams.h"
#include "resources/resource.h"
#include "win32/Handles.h"
#include "win32/ModuleFile.h"

namespace twinsweep {
namespace {

std::function<bool()>& ElevationProbe()
{
    static std::function<bool()> probe;
    return probe;
}

bool TokenIsElevated()
{
    HANDLE raw = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &raw))
        return true;
    UniqueHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size))
        return true;
    return elevation.TokenIsElevated != 0;
}

}  // namespace

const wchar_t kElevatedSwitch[] = L"/Elevated";

bool RunsElevated()
{
    return ElevationProbe() ? ElevationProbe()() : TokenIsElevated();
}

void SetElevationProbe(std::function<bool()> probe)
{
    ElevationProbe() = std::move(probe);
}

bool RestartElevatedIfNeeded(bool startedElevated, const std::wstring& runSwitch)
{
    if (startedElevated || RunsElevated())
        return false;
    ShellLaunch launch;
    launch.verb = L"runas";
    launch.file = ModuleFileName(nullptr);
    launch.parameters = runSwitch + L" " + kElevatedSwitch;
    launch.noErrorUi = true;
    SetLastError(ERROR_SUCCESS);
    if (!LaunchShell(launch) && GetLastError() != ERROR_CANCELLED)
        ShowMessageBox(nullptr, IDS_ELEVATION_FAILED);
    return true;
}

}  // namespace twinsweep
