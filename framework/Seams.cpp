#include "framework/Seams.h"

#include <shellapi.h>

#include "framework/Window.h"

namespace twinsweep {
namespace {

// The standard string id of the application title, the caption of every box.
constexpr UINT kAppTitle = 57344;

MessageBoxHandler& MessageBoxOverride()
{
    static MessageBoxHandler handler;
    return handler;
}

ShellLaunchHandler& ShellLaunchOverride()
{
    static ShellLaunchHandler handler;
    return handler;
}

const wchar_t* Optional(const std::wstring& text)
{
    return text.empty() ? nullptr : text.c_str();
}

}  // namespace

std::wstring LoadResourceString(UINT id)
{
    const wchar_t* text = nullptr;
    int length = LoadStringW(ResourceInstance(), id, reinterpret_cast<wchar_t*>(&text), 0);
    return length > 0 ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

int ShowMessageBox(HWND owner, const std::wstring& text, UINT type)
{
    if (MessageBoxOverride())
        return MessageBoxOverride()(owner, text, type);
    return MessageBoxW(owner, text.c_str(), LoadResourceString(kAppTitle).c_str(), type);
}

int ShowMessageBox(HWND owner, UINT stringId, UINT type)
{
    return ShowMessageBox(owner, LoadResourceString(stringId), type);
}

bool LaunchShell(const ShellLaunch& launch)
{
    if (ShellLaunchOverride())
        return ShellLaunchOverride()(launch);
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = (launch.invokeIdList ? SEE_MASK_INVOKEIDLIST : 0) | (launch.noErrorUi ? SEE_MASK_FLAG_NO_UI : 0);
    info.hwnd = launch.owner;
    info.lpVerb = Optional(launch.verb);
    info.lpFile = launch.file.c_str();
    info.lpParameters = Optional(launch.parameters);
    info.lpDirectory = Optional(launch.directory);
    info.nShow = launch.show;
    return ShellExecuteExW(&info) != FALSE;
}

bool LaunchShell(const std::wstring& verb, const std::wstring& file, int show)
{
    ShellLaunch launch;
    launch.verb = verb;
    launch.file = file;
    launch.show = show;
    return LaunchShell(launch);
}

void SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxOverride() = std::move(handler);
}

void SetShellLaunchHandler(ShellLaunchHandler handler)
{
    ShellLaunchOverride() = std::move(handler);
}

}  // namespace twinsweep
