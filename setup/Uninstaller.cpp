#include "setup/Uninstaller.h"

#include <windows.h>

#include <vector>

#include "setup/Shortcuts.h"
#include "win32/Handles.h"
#include "win32/ModuleFile.h"

namespace twinsweep {
namespace {

// The text in the console's code page, or nothing when a character has no place
// in it (a best fit could name another file).
std::optional<std::string> InConsoleCodePage(const std::wstring& text)
{
    if (text.empty())
        return std::string();
    BOOL lossy = FALSE;
    int length = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                                     nullptr, 0, nullptr, &lossy);
    if (length <= 0 || lossy)
        return std::nullopt;
    std::string encoded(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()), encoded.data(),
                        length, nullptr, &lossy);
    return encoded;
}

std::wstring ShortPath(const std::wstring& path)
{
    DWORD length = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (length == 0)
        return {};
    std::wstring shortPath(length, L'\0');
    length = GetShortPathNameW(path.c_str(), shortPath.data(), length);
    shortPath.resize(length);
    return shortPath;
}

// An existing path as the script writes it: in the console's code page, through
// its short name if need be, with "%" doubled so that the interpreter does not
// take it for a variable.
std::optional<std::string> ScriptSpelling(const std::wstring& path)
{
    std::optional<std::string> spelt = InConsoleCodePage(path);
    if (!spelt) {
        std::wstring shortPath = ShortPath(path);
        if (shortPath.empty())
            return std::nullopt;
        spelt = InConsoleCodePage(shortPath);
        if (!spelt)
            return std::nullopt;
    }
    std::string escaped;
    for (char c : *spelt) {
        escaped += c;
        if (c == '%')
            escaped += '%';
    }
    return escaped;
}

// With its trailing backslash; empty (the current folder) when the system names
// none.
std::wstring TemporaryFolder()
{
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    return length > 0 && length <= MAX_PATH ? std::wstring(folder, length) : std::wstring();
}

}  // namespace

const wchar_t kSelfDeleteScriptName[] = L"DeleteTW.bat";

void RemoveCompanionFiles()
{
    const std::wstring folder = FolderOf(ModuleFileName(nullptr));
    if (folder.empty())
        return;
    for (const wchar_t* name : {L"twinsweep-cli.exe", L"ReadMe.txt"})
        DeleteFileW((folder + name).c_str());
}

void RemoveShortcut(int folder)
{
    std::wstring shellFolder;
    if (FAILED(GetSpecialFolderPath(nullptr, folder, nullptr, 0, shellFolder)))
        return;
    RemoveShortcutTo(shellFolder, ModuleFileName(nullptr));
}

std::optional<std::string> SelfDeleteScriptText(const std::wstring& programPath, const std::wstring& scriptPath)
{
    std::wstring appFolder = programPath.substr(0, programPath.find_last_of(L'\\') + 1);
    std::optional<std::string> program = ScriptSpelling(programPath);
    std::optional<std::string> folder = ScriptSpelling(appFolder);
    std::optional<std::string> script = ScriptSpelling(scriptPath);
    if (!program || !folder || !script)
        return std::nullopt;
    const std::string& app = *folder;
    return ":Repeat\r\n"
           "del \"" + *program + "\"\r\n"
           "if exist \"" + *program + "\" goto Repeat\r\n"
           "del /F /Q \"" + app + "Vexil.dll\"\r\n"
           "del /F /Q \"" + app + "Help\\*.*\"\r\n"
           "del /F /Q \"" + app + "Profiles\\*.*\"\r\n"
           "rmdir \"" + app + "Help\"\r\n"
           "rmdir \"" + app + "Profiles\"\r\n"
           "rmdir \"" + app + "\"\r\n"
           "del \"" + *script + "\"\r\n";
}

void WriteSelfDeleteBatch()
{
    std::wstring scriptPath = TemporaryFolder() + kSelfDeleteScriptName;
    UniqueHandle file(CreateFileW(scriptPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return;
    std::optional<std::string> text = SelfDeleteScriptText(ModuleFileName(nullptr), scriptPath);
    DWORD written = 0;
    bool complete = text && WriteFile(file.get(), text->data(), static_cast<DWORD>(text->size()), &written, nullptr) &&
                    written == text->size();
    file.reset();
    if (!complete) {
        DeleteFileW(scriptPath.c_str());
        return;
    }

    // Quoted: a temporary folder with blanks must not start another program.
    std::wstring commandLine = L"\"" + scriptPath + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | IDLE_PRIORITY_CLASS,
                        nullptr, L"\\", &startup, &process))
        return;
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle thread(process.hThread);
    // The script's first loop waits for the program file; the program, raised
    // meanwhile, shows its last message and ends first.
    SetThreadPriority(thread.get(), THREAD_PRIORITY_IDLE);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    processHandle.reset();
    ResumeThread(thread.get());
}

}  // namespace twinsweep
