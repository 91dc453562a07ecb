#pragma once

#include <chrono>
#include <cstdint>
#include <span>
#include <string>

#include "launcher/platform.h"
#include "registry/registry.h"

// The installation's server as a Windows service: how it is registered with
// the service manager, and its run, which the service manager starts and
// stops. Why each choice: the README, "Running the server as a service".
namespace smeltra {

// The service's name: one per installation, from the installation's key.
std::u16string ServiceName(std::u16string_view key);

// What the service manager keeps of the installation's service, for the
// launcher at `executable` in `folder`: it starts with Windows as
// `"<executable>" --service`, as LocalService, restarted by Windows after a
// failure; its log folder made and writable by that account.
ServiceSettings ServiceSettingsOf(std::u16string_view executable, std::u16string_view folder,
                                  std::u16string_view key);

// Smeltra.exe --install-service: registers the installation's service, or
// updates it where this installation's is registered already, and starts
// it. Shows nothing on success; one box and kServiceNotInstalled (or
// kServiceNameTaken, where a service of that name runs another folder's
// launcher) otherwise. A service this call made is removed again when a
// later step fails. Throws nothing.
ExitCode InstallService(Platform& platform);

// Smeltra.exe --uninstall-service: stops the installation's service through
// the service manager, as its stop asks the server, and removes it; nothing
// to remove is no failure. Throws nothing.
ExitCode UninstallService(Platform& platform);

// What the service tells the service manager.
struct ServiceStatus {
  enum class State { kStartPending, kRunning, kStopPending, kStopped };
  State state;
  std::uint32_t checkpoint = 0;  // raised while pending, so that it is seen to progress
  std::chrono::milliseconds wait_hint{};
  std::uint32_t code = 0;  // kStopped: 0 for a clean stop, else the service's own code
  friend bool operator==(const ServiceStatus&, const ServiceStatus&) = default;
};

// The service manager as the service's run sees it.
class ServiceManager {
 public:
  virtual ~ServiceManager() = default;
  virtual void Report(const ServiceStatus& status) = 0;
  // Waits up to `wait` for `process` to end or the service manager to ask
  // the service to stop (a stop, or Windows shutting down); true once it
  // asked, also before this call.
  virtual bool StopAsked(Platform::Object& process, std::chrono::milliseconds wait) = 0;
};

// While pending, the service raises its checkpoint this often, and says it
// needs twice this for the next one.
inline constexpr std::chrono::milliseconds kCheckpointEvery{2000};

// The service's run: reports "start pending" at once, starts the server as a
// double-click does, but shows nothing (the words of any box go to the log),
// reports "running" once the runtime has lived through the watch, and then
// waits: for a stop from the service manager, which asks the runtime to end
// as Ctrl+C would and ends it and what it started after kStopLimit, with
// "stop pending" and a raised checkpoint all along; or for the runtime's own
// end. Reports "stopped" with 0 after a stop or a runtime that ended with 0,
// else with the service's own code: the launcher's status where it means
// the same, kServerEndedOnItsOwn for a runtime that ended later with another
// status. Throws nothing.
void ServeInstallation(Registry& registry, std::span<const RegistryView> views, Platform& platform,
                       ServiceManager& manager);

}  // namespace smeltra
