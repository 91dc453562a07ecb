#pragma once

#include <span>
#include <string>
#include <string_view>

#include "launcher/platform.h"
#include "registry/registry.h"

namespace smeltra {

// The command that starts the server:
//   "<java_home>\bin\java.exe" -classpath "<folder>\Quorvane\lib\vuz.jar";
//   "<folder>\Quorvane" Velquist.Frame11
// (one line), or with plain `java` in front when `java_home` is empty, as a
// runtime found on the search path has always been named. The runtime's path
// is quoted so that a home with blanks reaches the runtime as one argument
// (and no system that parses the line could try a shorter path first);
// nothing else is added to or taken from the pieces.
std::u16string ServerCommandLine(std::u16string_view java_home,
                                 std::u16string_view launcher_folder);

// Everything the splash timer does once the splash is gone: finds a runtime
// (which may end the program through `platform`), builds the server's command
// line and starts it hidden in the launcher's folder: the runtime's java.exe,
// or with no runtime folder known the one FindJavaOnSearchPath finds, by its
// full path, so that Windows never looks in the launcher's or the current
// folder. The search gives the home absolute, so the command line names the
// very program started, and a box shows where it was looked for. When the folder cannot be read, no
// java.exe is found, the process cannot be started or memory runs out, shows one box
// (kServerNotStarted, the reason, then the command line when it was built) and gives
// kServerNotStarted; otherwise kServerStarted. Throws nothing of its own.
ExitCode StartServer(Registry& registry, std::span<const RegistryView> views, Platform& platform);

}  // namespace smeltra
