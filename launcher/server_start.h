#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

// How long the started runtime is watched; why this long: README, "The first
// three seconds of the server are watched".
inline constexpr std::chrono::milliseconds kStartWatch{3000};

// How long a stop waits for the server to end by itself before it ends it;
// why this long: README, "Stopping the server".
inline constexpr std::chrono::seconds kStopLimit{30};
// Past the limit, the time a stop's force and the service manager's own
// steps may take.
inline constexpr std::chrono::seconds kStopMargin{15};

// A runtime's exit status as the boxes and the log give it: in decimal, and
// in hexadecimal too where it is a Windows status ("3221225781 (0xC0000135)").
std::u16string StatusText(std::uint32_t status);

// What a stop that had to end the server after `limit` says.
std::u16string EndedAfterLimitText(std::chrono::milliseconds limit);

// The key of the installation in `folder`, as Windows compares folders.
std::u16string KeyOf(Platform& platform, const std::u16string& folder);

// What the launcher's arguments (its program name not among them) ask of
// it: the first that names a command ("--stop" or "/stop", in any case, and
// so on) decides; any other argument is ignored.
enum class Command { kStart, kStop, kInstallService, kUninstallService, kService };
Command CommandOf(std::span<const std::u16string> arguments);

// Shows each box; where no one could see one, its words go to the
// installation's log instead, and the exit status alone tells the caller.
void Tell(Platform& platform, std::span<const std::u16string> boxes);

// A start: how it went, and the runtime where it runs on.
struct Launched {
  ExitCode status;
  Platform::Owned pipe = {};  // the service's runtime's output; read until the server goes
  Platform::Process server = {};
};
// StartServer's work but for its boxes, which it adds to `boxes`, and with
// the runtime kept. `as_service`: the service's own start, whose runtime
// ends with this process, and which does not look for itself.
Launched Launch(Registry& registry, std::span<const RegistryView> views, Platform& platform,
                std::vector<std::u16string>& boxes, bool as_service);

// Smeltra.exe --stop: stops the server of the launcher's installation
// (StopInstallation, waiting up to `limit`; the installation's service
// through the service manager, where it runs) and turns the outcome into
// its exit status; a server ended after the limit, and a failure, show one
// box.
// Throws nothing.
ExitCode StopServer(Platform& platform, std::chrono::milliseconds limit = kStopLimit);

// Everything the splash's tick does once the splash is gone, and the one
// place that turns each outcome into its boxes and exit status: finds a
// runtime (unless the installation's server runs already, or is being
// started or stopped: one box, kAlreadyRunning), builds the server's command line with the options
// of the launcher's options file, opens the server's log, and starts the runtime's program without
// a window in the launcher's folder, its output to the log, watching it for kStartWatch. Any
// failure on the way shows one box (kServerNotStarted, the reason, then the command line once it
// was built) and gives kServerNotStarted. The installation is claimed from before the search to the
// runtime's start, and no box is shown before it is let go of. Throws nothing.
ExitCode StartServer(Registry& registry, std::span<const RegistryView> views, Platform& platform);

}  // namespace smeltra
