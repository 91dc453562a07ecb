#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "launcher/platform.h"
#include "registry/registry.h"

namespace smeltra {

// The command that starts the server:
//   "<java_home>\bin\java.exe" <options> -classpath "<folder>\Quorvane\lib\vuz.jar";
//   "<folder>\Quorvane" Velquist.Frame11
// (one line), or with plain `java` in front when `java_home` is empty, as a
// runtime found on the search path has always been named. The runtime's path
// is quoted so that a home with blanks reaches the runtime as one argument
// (and no system that parses the line could try a shorter path first). Each
// of `options` is quoted as the runtime must read it back (QuotedArgument);
// without options the line is the one it has always been. Nothing else is
// added to or taken from the pieces.
std::u16string ServerCommandLine(std::u16string_view java_home, std::u16string_view launcher_folder,
                                 std::span<const std::u16string> options = {});

// The most characters a command line may have, its closing NUL not counted:
// CreateProcessW takes no more.
inline constexpr std::size_t kMaxCommandLine = 32766;

// How long the started runtime is watched. A runtime that rejects its
// options, finds no class or was given class files too new for it ends
// within a second on a slow machine; three leave room for a busy one, and a
// script waiting for the launcher hardly notices them.
inline constexpr std::chrono::milliseconds kStartWatch{3000};

// The box's reason when the runtime ended within the watch with `status`:
// the status in decimal, and in hexadecimal too where it is a Windows status
// (0xC0000135), the options file when one gave options (`options_file`, else
// empty), then how to see the runtime's own message from `folder`.
std::u16string StoppedAtOnceReason(std::uint32_t status, std::u16string_view folder,
                                   std::u16string_view options_file);

// Everything the splash timer does once the splash is gone: finds a runtime
// (which may end the program through `platform`), builds the server's command
// line, with the options of the launcher's options file (VmOptionsPath) when
// there is one, and starts it hidden in the launcher's folder: the runtime's java.exe,
// or with no runtime folder known the one FindJavaOnSearchPath finds, by its
// full path, so that Windows never looks in the launcher's or the current
// folder. The search gives the home absolute, so the command line names the
// very program started, and a box shows where it was looked for. When the
// folder cannot be read, the options file is refused or makes the command
// line longer than kMaxCommandLine, no java.exe is found, the process cannot be started,
// ends within kStartWatch with a status other than 0, or memory runs out,
// shows one box (kServerNotStarted, the reason, then the command line when it
// was built) and gives kServerNotStarted; otherwise kServerStarted, once the
// runtime ran through the watch or ended with 0. Throws nothing of its own.
ExitCode StartServer(Registry& registry, std::span<const RegistryView> views, Platform& platform);

}  // namespace smeltra
