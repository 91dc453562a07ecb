#pragma once

#include <span>
#include <string>

#include "launcher/exit_code.h"
#include "launcher/launcher_platform.h"
#include "launcher/user_interface.h"
#include "registry/registry.h"

namespace smeltra {

// Opening line of the box shown when the server cannot be started.
inline constexpr std::string_view kServerNotStartedMessage =
    "The Smeltra server could not be started.";

// Everything the splash timer does once the splash is gone: finds a runtime
// (which may end the program through `ui`), builds the server's command line
// and starts it hidden in the launcher's folder. When the folder cannot be
// read, the process cannot be started or memory runs out, shows one box (the
// message above, the system's message for the error, then the command line
// when it was built) and gives kServerNotStarted; otherwise kServerStarted.
// Throws nothing of its own.
ExitCode StartServer(Registry& registry, std::span<const RegistryView> views, UserInterface& ui,
                     LauncherPlatform& platform);

}  // namespace smeltra
