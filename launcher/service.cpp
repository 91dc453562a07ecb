#include "launcher/service.h"

#include <vector>

#include "common/launcher_error.h"
#include "launcher/messages.h"
#include "launcher/path_text.h"
#include "launcher/server_life.h"
#include "launcher/server_start.h"

namespace smeltra {
namespace {

using namespace std::chrono_literals;

// The longest display name the service manager keeps.
constexpr std::size_t kMaxDisplayName = 256;

struct Installation {
  std::u16string executable, folder = {}, key = {};
};

Installation ThisInstallation(Platform& platform) {
  Installation here{platform.ExecutablePath()};
  here.folder = FolderOfFile(here.executable);
  here.key = KeyOf(platform, here.folder);
  return here;
}

// One box, or its words in the log where no one would see it.
void Tell(Platform& platform, const std::u16string& text) { smeltra::Tell(platform, {&text, 1}); }

ExitCode Failed(Platform& platform, const std::u16string& text, ExitCode status) {
  Tell(platform, text);
  return status;
}

}  // namespace

std::u16string ServiceName(std::u16string_view key) { return u"Smeltra-" + std::u16string(key); }

ServiceSettings ServiceSettingsOf(std::u16string_view executable, std::u16string_view folder,
                                  std::u16string_view key) {
  std::u16string display =
      std::u16string(messages::kServiceDisplayName) + u" (" + std::u16string(folder) + u")";
  if (display.size() > kMaxDisplayName)
    display = std::u16string(messages::kServiceDisplayName) + u" " + std::u16string(key);
  return {
      .name = ServiceName(key),
      .display_name = std::move(display),
      .description = std::u16string(messages::kServiceDescription) + std::u16string(folder) + u".",
      .command_line = u"\"" + std::u16string(executable) + u"\" --service",
      // A service's own account with the least rights that still logs on
      // without a password; an administrator who wants another sets it in
      // Services.
      .account = u"NT AUTHORITY\\LocalService",
      .restarts = {10s, 30s, 60s},
      .failures_reset = 24h,
      .shutdown_time = kStopLimit + kStopMargin,
      .log_folder = Joined(folder, u"logs"),
  };
}

ExitCode InstallService(Platform& platform) {
  try {
    const Installation here = ThisInstallation(platform);
    const ServiceSettings settings = ServiceSettingsOf(here.executable, here.folder, here.key);
    std::u16string registered;
    // The program a command line starts: quoted, or up to the first blank.
    const auto program = [](std::u16string_view line) {
      return std::u16string(line.starts_with(u'"') ? line.substr(1, line.find(u'"', 1) - 1)
                                                   : line.substr(0, line.find(u' ')));
    };
    if (platform.QueryService(settings.name, registered) != ServiceState::kNotInstalled &&
        platform.ComparableFolder(program(registered)) !=
            platform.ComparableFolder(here.executable)) {
      using messages::kServiceNameTaken;
      return Failed(platform,
                    std::u16string(kServiceNameTaken[0]) + settings.name +
                        std::u16string(kServiceNameTaken[1]) + registered +
                        std::u16string(kServiceNameTaken[2]),
                    ExitCode::kServiceNameTaken);
    }
    const bool made = platform.RegisterService(settings);
    try {
      platform.StartService(settings.name);
    } catch (const LauncherError&) {
      if (made) platform.DeleteService(settings.name);
      throw;
    }
    return ExitCode::kServerStarted;
  } catch (const std::exception& error) {
    return Failed(
        platform,
        std::u16string(messages::kServiceNotInstalled) + u"\r\n\r\n" + ErrorDescription(error),
        ExitCode::kServiceNotInstalled);
  }
}

ExitCode UninstallService(Platform& platform) {
  try {
    const std::u16string name = ServiceName(ThisInstallation(platform).key);
    std::u16string registered;
    if (platform.QueryService(name, registered) == ServiceState::kNotInstalled)
      return ExitCode::kServerStopped;
    platform.StopService(name, kStopLimit + kStopMargin);
    platform.DeleteService(name);
    return ExitCode::kServerStopped;
  } catch (const std::exception& error) {
    return Failed(
        platform,
        std::u16string(messages::kServiceNotUninstalled) + u"\r\n\r\n" + ErrorDescription(error),
        ExitCode::kServiceNotInstalled);
  }
}

void ServeInstallation(Registry& registry, std::span<const RegistryView> views, Platform& platform,
                       ServiceManager& manager) {
  using State = ServiceStatus::State;
  std::uint32_t checkpoint = 0;
  // The search, a lock another launcher may hold, and the watch, with room.
  manager.Report({State::kStartPending, ++checkpoint, kStartLockWait + kStartWatch + 10s});
  std::vector<std::u16string> boxes;
  Launched launched = Launch(registry, views, platform, boxes, true);
  smeltra::Tell(platform, boxes);
  if (launched.status != ExitCode::kServerStarted) {
    manager.Report({.state = State::kStopped, .code = static_cast<std::uint32_t>(launched.status)});
    return;
  }
  manager.Report({State::kRunning});
  Platform::Object& runtime = *launched.server.process;
  std::uint32_t code = 0;
  if (!manager.StopAsked(runtime, std::chrono::milliseconds::max())) {
    // A server that ends by itself with 0 was stopped by its own hand; with
    // anything else, Windows' recovery is to start it again.
    if (const std::uint32_t status = platform.WaitForEnd(runtime, {}).value_or(0); status != 0) {
      Tell(platform, std::u16string(messages::kServerEndedOnItsOwn) + StatusText(status) + u".");
      code = static_cast<std::uint32_t>(ExitCode::kServerEndedOnItsOwn);
    }
  } else {
    checkpoint = 0;
    const auto waiting = [&] {
      manager.Report({State::kStopPending, ++checkpoint, 2 * kCheckpointEvery});
    };
    waiting();
    try {
      if (StopProcess(platform, runtime, kStopLimit, waiting, kCheckpointEvery) ==
          StopOutcome::kEndedAfterLimit) {
        Tell(platform, EndedAfterLimitText(kStopLimit));
      }
    } catch (const std::exception& error) {
      Tell(platform, std::u16string(messages::kNotStopped) + u"\r\n\r\n" + ErrorDescription(error));
    }
  }
  // Its log whole before it says it stopped: what is left of the tree
  // ends with its job, and the pipe is read to its end.
  launched.server = {};
  launched.pipe.reset();
  manager.Report({.state = State::kStopped, .code = code});
}

}  // namespace smeltra
