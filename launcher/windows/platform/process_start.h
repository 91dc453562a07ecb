#pragma once

#include <string_view>

namespace smeltra {

// Starts `command_line` (UTF-8) as a new process whose window is hidden
// (STARTF_USESHOWWINDOW with SW_HIDE; a console program gets a hidden console
// that its own console children share), with `working_folder` as its current
// folder (empty: this process's own), inheriting no handles. The program is
// the command line's first item, found by the system's rules for it. Returns
// as soon as the process exists, without waiting for it and without keeping
// any handle to it. Throws LauncherError with the system's code and message
// when the process cannot be started.
void StartHiddenProcess(std::string_view command_line, std::string_view working_folder);

}  // namespace smeltra
