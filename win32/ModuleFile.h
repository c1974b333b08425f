// Where a module's file lies, at any path length.
#pragma once

#include <windows.h>

#include <string>

namespace twinsweep {

// The full path of the module's file; empty when the system cannot tell it.
std::wstring ModuleFileName(HMODULE module);

// The folder part of a path with its trailing backslash; empty when the path has
// no folder part.
std::wstring FolderOf(const std::wstring& path);

}  // namespace twinsweep
