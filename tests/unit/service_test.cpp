// The installation's service: what the service manager keeps of it, its
// install and uninstall, and its run's states for each way a run goes,
// over the fake platform's service manager and kernel.

#include "launcher/service.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/path_text.h"
#include "launcher/server_start.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using namespace std::chrono_literals;
using Texts = std::vector<std::u16string>;
using State = ServiceStatus::State;

const std::u16string kFolder = u"C:\\Program Files\\Smeltra";
const std::u16string kName = ServiceName(InstallationKey(kFolder));
const std::u16string kCommand = u"\"C:\\Program Files\\Smeltra\\Smeltra.exe\" --service";

// Install and uninstall: registered and started, or updated where this
// folder's is there; another program's service of that name left alone; a
// service this install made removed again when its start fails; nothing to
// uninstall is no failure.
TEST(ServiceInstallTest, RegistersStartsUpdatesAndUndoes) {
  struct Case {
    const char* name;
    bool install;
    ExitCode status = ExitCode::kServerStarted;
    Texts events = {u"register " + kName, u"start service " + kName};
    std::optional<std::u16string> registered = std::nullopt;  // its command line
    std::optional<LauncherError> error = std::nullopt, start_error = std::nullopt;
  };
  const LauncherError denied(u"Access is denied.", kAccessDeniedCode);
  const std::u16string not_installed =
      u"box: " + std::u16string(messages::kServiceNotInstalled) + u"\r\n\r\n";
  // clang-format off
  const Case cases[] = {
      {.name = "new", .install = true},
      {.name = "this folder's", .install = true, .registered = u"\"c:\\program files\\smeltra\\SMELTRA.EXE\" --service"},
      {.name = "another's", .install = true, .status = ExitCode::kServiceNameTaken,
       .events = {u"box: The Smeltra service could not be installed: the service " + kName +
                  u" runs another program, \"D:\\Smeltra.exe\" --service. Uninstall it with that "
                  u"program first."},
       .registered = u"\"D:\\Smeltra.exe\" --service"},
      {.name = "no rights", .install = true, .status = ExitCode::kServiceNotInstalled,
       .events = {not_installed + u"Access is denied."}, .error = denied},
      {.name = "start fails", .install = true, .status = ExitCode::kServiceNotInstalled,
       .events = {u"register " + kName, u"start service " + kName, u"delete service " + kName,
                  not_installed + u"The account cannot log on."},
       .start_error = LauncherError(u"The account cannot log on.")},
      {.name = "uninstall", .install = false, .events = {u"stop service " + kName,
       u"delete service " + kName}, .registered = kCommand},
      {.name = "nothing to uninstall", .install = false, .events = {}},
      {.name = "uninstall, no rights", .install = false, .status = ExitCode::kServiceNotInstalled,
       .events = {u"stop service " + kName, u"box: " +
                  std::u16string(messages::kServiceNotUninstalled) + u"\r\n\r\nAccess is denied."},
       .registered = kCommand, .error = denied}};
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform;
    platform.executable = kFolder + u"\\Smeltra.exe";
    if (c.registered) platform.services[kName].command_line = *c.registered;
    platform.service_error = c.error;
    platform.service_start_error = c.start_error;
    EXPECT_EQ(c.install ? InstallService(platform) : UninstallService(platform), c.status)
        << c.name;
    EXPECT_EQ(platform.events, c.events) << c.name;
    const bool kept = c.install ? c.status == ExitCode::kServerStarted : c.registered && c.error;
    EXPECT_EQ(platform.services.contains(kName), kept || c.status == ExitCode::kServiceNameTaken)
        << c.name;
  }
}

// The service manager as the run meets it: whether it asks for a stop.
class FakeServiceManager final : public ServiceManager {
 public:
  void Report(const ServiceStatus& status) override { reports.push_back(status); }
  bool StopAsked(Platform::Object&, std::chrono::milliseconds) override { return stop; }
  bool stop = false;
  std::vector<ServiceStatus> reports;
};

// The run's states in order for each way it goes, the codes it stops with,
// and what reaches the log, where its boxes' words go: start pending at
// once; running only once the runtime lived through the watch; the stop
// pending with a checkpoint raised every two seconds of the wait.
TEST(ServeTest, StatesInOrderForEachOutcome) {
  struct Case {
    const char* name;
    std::vector<std::optional<std::uint32_t>> ends = {};  // the watch's, then later waits'
    bool stop = false;
    std::uint32_t code = 0;
    int stop_checkpoints = 0;  // 0: not stopped by the service manager
    bool java = true, another_server = false;
    std::u16string logged = {};
  };
  const std::u16string ended = std::u16string(messages::kEndedAfterLimit[0]) + u"30" +
                               std::u16string(messages::kEndedAfterLimit[1]);
  // clang-format off
  const Case cases[] = {
      {.name = "stopped by Ctrl+C", .ends = {std::nullopt, 130}, .stop = true, .stop_checkpoints = 1},
      {.name = "Ctrl+C ignored", .ends = {std::nullopt}, .stop = true, .stop_checkpoints = 15,
       .logged = ended},
      {.name = "ends later with 0", .ends = {std::nullopt, 0}},
      {.name = "ends later", .ends = {std::nullopt, 0xC0000005}, .code = 11,
       .logged = u"The server ended on its own, with exit status 3221225477 (0xC0000005)."},
      {.name = "ends within the watch", .ends = {1}, .code = 3},
      {.name = "no java", .code = 1, .java = false,
       .logged = std::u16string(messages::kNotInstalled)},
      {.name = "a user's server runs", .code = 4, .another_server = true}};
  // clang-format on
  for (const Case& c : cases) {
    testing::MemoryRegistry registry;
    testing::FakePlatform platform;
    platform.visible = false;  // a service's window station
    platform.executable = kFolder + u"\\Smeltra.exe";
    platform.ends = c.ends;
    if (c.java) {
      platform.environment[u"SMELTRA_JAVA_HOME"] = u"C:\\jre";
      platform.files.insert(u"C:\\jre\\bin\\java.exe");
    }
    if (c.another_server) {
      platform.claims = {{InstallationKey(kFolder), {4242, 7}}};
      platform.running = {{4242, 7}};
    }
    FakeServiceManager manager;
    manager.stop = c.stop;
    ServeInstallation(registry, RuntimeSearchViews(true), platform, manager);
    std::vector<ServiceStatus> reports = {{State::kStartPending, 1, 23s}};
    const bool ran = c.ends.size() > 1 || (c.stop && !c.ends.empty());
    if (ran) reports.push_back({State::kRunning});
    for (int checkpoint = 1; checkpoint <= c.stop_checkpoints; ++checkpoint)
      reports.push_back({State::kStopPending, static_cast<std::uint32_t>(checkpoint), 4s});
    reports.push_back({.state = State::kStopped, .code = c.code});
    EXPECT_EQ(manager.reports, reports) << c.name;
    EXPECT_TRUE(platform.messages.empty()) << c.name;
    EXPECT_EQ(platform.starts.size(), c.java && !c.another_server ? 1u : 0u) << c.name;
    if (!platform.starts.empty()) {
      EXPECT_NE(std::ranges::find(platform.events, u"start, claim handed on, tied, piped"),
                platform.events.end())
          << c.name;
    }
    const std::string& log = platform.contents[kFolder + u"\\logs\\server.log"];
    if (!c.logged.empty()) {
      EXPECT_NE(log.find(" Smeltra, not shown: " + Utf8(c.logged)), log.npos) << c.name << log;
    }
  }
}

}  // namespace
}  // namespace smeltra
