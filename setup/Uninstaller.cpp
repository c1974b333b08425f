#include "setup/Uninstaller.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "resources/resource.h"
#include "setup/SetupReport.h"
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

// A string of a file's version resource, in its first translation.
std::wstring VersionString(const std::wstring& path, const wchar_t* name)
{
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0)
        return {};
    std::vector<BYTE> info(size);
    struct Translation {
        WORD language;
        WORD codePage;
    }* translation = nullptr;
    UINT length = 0;
    if (!GetFileVersionInfoW(path.c_str(), 0, size, info.data()) ||
        !VerQueryValueW(info.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                        &length) ||
        length < sizeof *translation)
        return {};
    wchar_t key[80];
    swprintf(key, 80, L"\\StringFileInfo\\%04x%04x\\%ls", translation->language, translation->codePage, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(info.data(), key, reinterpret_cast<void**>(&value), &length) || length == 0)
        return {};
    return std::wstring(value, wcsnlen(value, length));
}

bool IsOurConsoleSearch(const std::wstring& path)
{
    return VersionString(path, L"CompanyName") == L"Mirelon Software" &&
           VersionString(path, L"InternalName") == L"twinsweep-cli";
}

// The readme the download brought, line ends aside: the program carries its text.
bool IsOurReadme(const std::wstring& path)
{
    HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_README), RT_RCDATA);
    HGLOBAL loaded = resource ? LoadResource(nullptr, resource) : nullptr;
    const char* ours = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!ours)
        return false;
    const std::string_view expected(ours, SizeofResource(nullptr, resource));
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    // CR LF where the text has LF: at most twice its length.
    if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > LONGLONG(2 * expected.size()))
        return false;
    std::string text(static_cast<size_t>(size.QuadPart), '\0');
    DWORD read = 0;
    if (!ReadFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &read, nullptr) || read != text.size())
        return false;
    std::erase(text, '\r');
    return text == expected;
}

// Gone, whether deleted now or never there.
HRESULT DeleteIfPresent(const std::wstring& path)
{
    if (DeleteFileW(path.c_str()) || GetLastError() == ERROR_FILE_NOT_FOUND)
        return S_OK;
    return LastErrorResult();
}

}  // namespace

const wchar_t kSelfDeleteScriptName[] = L"DeleteTW.bat";

HRESULT RemoveCompanionFiles()
{
    const std::wstring folder = FolderOf(ModuleFileName(nullptr));
    if (folder.empty())
        return S_OK;
    HRESULT result = S_OK;
    const std::wstring console = folder + L"twinsweep-cli.exe";
    if (IsOurConsoleSearch(console))
        result = DeleteIfPresent(console);
    const std::wstring readme = folder + L"ReadMe.txt";
    if (IsOurReadme(readme)) {
        const HRESULT readmeResult = DeleteIfPresent(readme);
        if (SUCCEEDED(result))
            result = readmeResult;
    }
    return result;
}

// A shell folder that the system cannot name holds no shortcut of ours.
HRESULT RemoveShortcut(int folder)
{
    std::wstring shellFolder;
    if (FAILED(GetSpecialFolderPath(nullptr, folder, nullptr, 0, shellFolder)))
        return S_OK;
    return RemoveShortcutTo(shellFolder, ModuleFileName(nullptr));
}

std::optional<std::string> SelfDeleteScriptText(const std::wstring& programPath, const std::wstring& scriptPath,
                                                int tries)
{
    std::wstring appFolder = programPath.substr(0, programPath.find_last_of(L'\\') + 1);
    std::optional<std::string> program = ScriptSpelling(programPath);
    std::optional<std::string> folder = ScriptSpelling(appFolder);
    std::optional<std::string> script = ScriptSpelling(scriptPath);
    if (!program || !folder || !script)
        return std::nullopt;
    const std::string& app = *folder;
    // A program file that cannot be deleted (read-only, or held open) is left
    // after the tries; ping is the pause that every Windows has.
    return "@echo off\r\n"
           "set Tries=0\r\n"
           ":Repeat\r\n"
           "del \"" + *program + "\"\r\n"
           "if not exist \"" + *program + "\" goto Rest\r\n"
           "set /a Tries+=1\r\n"
           "if %Tries% GEQ " + std::to_string(tries) + " goto Rest\r\n"
           "ping -n 2 127.0.0.1 >nul\r\n"
           "goto Repeat\r\n"
           ":Rest\r\n"
           "del /F /Q \"" + app + "Vexil.dll\"\r\n"
           "del /F /Q \"" + app + "Help\\*.*\"\r\n"
           "del /F /Q \"" + app + "Profiles\\*.*\"\r\n"
           "rmdir \"" + app + "Help\"\r\n"
           "rmdir \"" + app + "Profiles\"\r\n"
           "rmdir \"" + app + "\"\r\n"
           "del \"" + *script + "\"\r\n";
}

HRESULT WriteSelfDeleteBatch(std::wstring& scriptPath)
{
    scriptPath = TemporaryFolder() + kSelfDeleteScriptName;
    UniqueHandle file(CreateFileW(scriptPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return LastErrorResult();
    std::optional<std::string> text = SelfDeleteScriptText(ModuleFileName(nullptr), scriptPath);
    DWORD written = 0;
    bool complete = text && WriteFile(file.get(), text->data(), static_cast<DWORD>(text->size()), &written, nullptr) &&
                    written == text->size();
    file.reset();
    if (!complete) {
        DeleteFileW(scriptPath.c_str());
        return E_FAIL;
    }
    return S_OK;
}

HRESULT StartSelfDeleteBatch(const std::wstring& scriptPath)
{
    // Quoted: a temporary folder with blanks must not start another program.
    std::wstring commandLine = L"\"" + scriptPath + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | IDLE_PRIORITY_CLASS,
                        nullptr, L"\\", &startup, &process))
        return LastErrorResult();
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle thread(process.hThread);
    // The script's first loop waits for the program file; the program, raised
    // meanwhile, ends first.
    SetThreadPriority(thread.get(), THREAD_PRIORITY_IDLE);
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    processHandle.reset();
    return ResumeThread(thread.get()) == static_cast<DWORD>(-1) ? LastErrorResult() : S_OK;
}

}  // namespace twinsweep
