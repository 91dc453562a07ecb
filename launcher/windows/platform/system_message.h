#pragma once

#include <windows.h>

#include <string>

#include "registry/launcher_error.h"

namespace smeltra {

// The system's own text for the Win32 error `code`, in UTF-8, in the user's
// language, with its trailing line break and blanks removed and any %1-style
// inserts left as they are. "Error <code>." when the system has no text.
std::string SystemMessage(DWORD code);

// A LauncherError carrying `code` and SystemMessage(code).
LauncherError SystemError(DWORD code);

}  // namespace smeltra
