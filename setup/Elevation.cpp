#include "setup/Elevation.h"

#include <windows.h>
#include <shellapi.h>

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

bool HasArgument(const std::wstring& commandLine, const std::wstring& argument)
{
    int count = 0;
    UniqueLocalMemory<LPWSTR*> args(CommandLineToArgvW(commandLine.c_str(), &count));
    for (int i = 1; args && i < count; ++i) {
        if (argument == args.get()[i])
            return true;
    }
    return false;
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

bool RestartElevatedIfNeeded(const std::wstring& commandLine, const std::wstring& runSwitch)
{
    if (RunsElevated() || HasArgument(commandLine, kElevatedSwitch))
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
