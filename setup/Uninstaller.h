// What the uninstall run removes besides its registry keys: the program's
// shortcuts, and its own files through a script that runs on after it has ended.
#pragma once

#include <optional>
#include <string>

namespace twinsweep {

// Deletes the first shortcut in a shell folder (CSIDL_DESKTOP, CSIDL_PROGRAMS)
// whose target is the running program, whatever its name.
void RemoveShortcut(int folder);

// The script's file name in the temporary folder.
extern const wchar_t kSelfDeleteScriptName[];

// The script's lines in the console's code page (the one its command interpreter
// reads a script in): wait until the program file can be deleted, then delete the
// extension, the help files, the empty folders and the script itself. Paths the
// console cannot spell are given by their short names; nothing when even that
// fails, since a wrongly spelt path in a deleting loop could wait for ever or hit
// another file.
std::optional<std::string> SelfDeleteScriptText(const std::wstring& programPath, const std::wstring& scriptPath);

// Deletes the files that come with the program in its download (the console
// search and the readme). Nothing of the program holds them open, so this run
// deletes them itself and the script keeps to the program's own files.
void RemoveCompanionFiles();

// Writes the script into the temporary folder and starts it hidden at idle
// priority; the calling program is raised meanwhile, so that it ends first.
void WriteSelfDeleteBatch();

}  // namespace twinsweep
