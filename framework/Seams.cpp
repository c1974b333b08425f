#include "framework/Seams.h"

#include <shellapi.h>
#include <shlobj.h>

#include <string>

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

std::string Narrow(const std::wstring& text)
{
    std::string narrow;
    for (wchar_t c : text)
        narrow.push_back(static_cast<char>(c));
    return narrow;
}

// What ShellExecuteEx does for a verb of an item's own menu ("properties"),
// done by hand: Wine's ShellExecuteEx cannot carry such a verb and fails with
// "Invalid parameter", while the item's menu knows it.
bool InvokeItemVerb(const ShellLaunch& launch)
{
    const HRESULT com = CoInitialize(nullptr);
    bool done = false;
    PIDLIST_ABSOLUTE item = nullptr;
    if (SUCCEEDED(SHParseDisplayName(launch.file.c_str(), nullptr, &item, 0, nullptr))) {
        IShellFolder* parent = nullptr;
        PCUITEMID_CHILD child = nullptr;
        if (SUCCEEDED(SHBindToParent(item, IID_IShellFolder, reinterpret_cast<void**>(&parent), &child))) {
            IContextMenu* menu = nullptr;
            if (SUCCEEDED(parent->GetUIObjectOf(launch.owner, 1, &child, IID_IContextMenu, nullptr,
                                                reinterpret_cast<void**>(&menu)))) {
                // Verbs are plain ASCII names.
                const std::string verb = Narrow(launch.verb);
                CMINVOKECOMMANDINFO command{};
                command.cbSize = sizeof command;
                command.fMask = launch.noErrorUi ? CMIC_MASK_FLAG_NO_UI : 0;
                command.hwnd = launch.owner;
                command.lpVerb = verb.c_str();
                command.nShow = launch.show;
                done = SUCCEEDED(menu->InvokeCommand(&command));
                menu->Release();
            }
            parent->Release();
        }
        CoTaskMemFree(item);
    }
    if (SUCCEEDED(com))
        CoUninitialize();
    return done;
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
    if (ShellExecuteExW(&info))
        return true;
    return launch.invokeIdList && !launch.verb.empty() && InvokeItemVerb(launch);
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
