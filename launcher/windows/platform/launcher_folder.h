#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace smeltra {

// The full path of `module` (nullptr: the running executable), however long
// it is. Throws LauncherError with the system's code and message on failure.
std::wstring ModuleFileName(HMODULE module);

// The folder part of a file's full path: everything before the last
// separator, except that a drive's root keeps it ("C:\", "\\?\C:\"). A path
// with no separator at all gives empty text.
std::wstring FolderOfFile(std::wstring_view file_path);

// The folder that holds the running executable, in UTF-8, without a trailing
// separator except at a drive's root. Throws LauncherError on failure.
std::string LauncherFolder();

}  // namespace smeltra
