// What the uninstall run removes besides its registry keys: the program's
// shortcuts, and its own files through a script that runs on after it has ended.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace twinsweep {

// Deletes the first shortcut in a shell folder (CSIDL_DESKTOP, CSIDL_PROGRAMS)
// whose target is the running program, whatever its name. A failure when one is
// there and could not be deleted.
HRESULT RemoveShortcut(int folder);

// The script's file name in the temporary folder.
extern const wchar_t kSelfDeleteScriptName[];

// How often the script tries to delete the program file, a second or so apart,
// before it leaves the file (read-only, or held by another process) where it is.
constexpr int kSelfDeleteTries = 60;

// The script's lines in the console's code page (the one its command interpreter
// reads a script in): wait until the program file can be deleted, at most the
// tries given, then delete the extension, the help files, the empty folders and
// the script itself. Paths the console cannot spell are given by their short
// names; nothing when even that fails, since a wrongly spelt path could hit
// another file.
std::optional<std::string> SelfDeleteScriptText(const std::wstring& programPath, const std::wstring& scriptPath,
                                                int tries = kSelfDeleteTries);

// Deletes the files that come with the program in its download, the console
// search and the readme, each only when it is the one the download brought (the
// console search by its version resource, the readme by its text): a file of the
// user's under the same name stays. Nothing of the program holds them open, so
// this run deletes them itself and the script keeps to the program's own files.
// A failure when one of them could not be deleted.
HRESULT RemoveCompanionFiles();

// Writes the script into the temporary folder, and its path into scriptPath.
HRESULT WriteSelfDeleteBatch(std::wstring& scriptPath);
// Starts the script hidden at idle priority; the calling program is raised
// meanwhile, so that it ends first.
HRESULT StartSelfDeleteBatch(const std::wstring& scriptPath);

}  // namespace twinsweep
