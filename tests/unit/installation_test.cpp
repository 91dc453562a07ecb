// One server per installation: the installation's name, the launcher's
// arguments, and the server's life, claim, start and stop, over the fake
// platform's kernel objects.

#include <gtest/gtest.h>

#include "common/text.h"
#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/path_text.h"
#include "launcher/server_life.h"
#include "launcher/server_start.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using Texts = std::vector<std::u16string>;

TEST(InstallationKeyTest, OneFolderOneKeyHoweverWritten) {
  const std::vector<std::vector<std::u16string_view>> same = {
      {u"C:\\Program Files\\Smeltra", u"c:\\PROGRAM FILES\\smeltra",
       u"C:\\Program Files\\Smeltra\\", u"C:/Program Files/Smeltra",
       u"C:\\Program Files\\\\Smeltra", u"\\\\?\\C:\\Program Files\\Smeltra"},
      {u"M:\\", u"M:", u"m:\\", u"\\\\?\\M:\\"},
      {u"\\\\server\\share\\Smeltra", u"\\\\SERVER\\share\\smeltra\\", u"//server/share/Smeltra",
       u"\\\\?\\UNC\\server\\share\\Smeltra"},
  };
  std::set<std::u16string> keys;
  for (const auto& folders : same) {
    const std::u16string key = InstallationKey(folders[0]);
    EXPECT_EQ(key.size(), 16u);
    for (const auto folder : folders) EXPECT_EQ(InstallationKey(folder), key) << Utf8(folder);
    keys.insert(key);
  }
  // Near misses are other installations.
  for (const std::u16string_view other :
       {u"C:\\Program Files\\Smeltra2", u"D:\\Program Files\\Smeltra", u"C:\\Program Files",
        u"C:\\Program Files\\Sm\u00e9ltra", u"\\\\server\\share", u"\\\\server2\\share\\Smeltra"})
    EXPECT_TRUE(keys.insert(InstallationKey(other)).second) << Utf8(other);
}

// The first argument that names a command decides, in either form and any
// case; anything else is ignored, as a double-click's arguments always were.
TEST(CommandTest, FirstCommandInAnyCaseAndNothingElse) {
  using Arguments = std::vector<std::u16string>;
  const std::pair<Arguments, Command> cases[] = {
      {{}, Command::kStart},
      {{u"stop", u"-stop", u"--stop=now", u"/stopp", u"--", u"--services"}, Command::kStart},
      {{u"--stop"}, Command::kStop},
      {{u"-x", u"/STOP", u"--service"}, Command::kStop},
      {{u"/Install-Service"}, Command::kInstallService},
      {{u"--uninstall-service", u"--stop"}, Command::kUninstallService},
      {{u"--SERVICE"}, Command::kService}};
  for (const auto& [arguments, command] : cases)
    EXPECT_EQ(CommandOf(arguments), command) << Utf8(arguments.empty() ? u"" : arguments[0]);
}

using Identities = std::map<std::u16string, ProcessIdentity>;
using Running = std::map<std::uint32_t, std::uint64_t>;
const std::u16string kProgramFiles = u"C:\\Program Files\\Smeltra";

// The kernel objects of the installation in C:\Program Files\Smeltra, as
// the fake platform names them in its events: the claim and the two locks.
std::u16string Named(std::u16string_view event, std::u16string_view suffix = u"") {
  return std::u16string(event) + u" " + InstallationKey(kProgramFiles) + std::u16string(suffix);
}
const Texts kClaimedThenLetGo = {Named(u"lock", u"-start"), Named(u"claim"), Named(u"close"),
                                 Named(u"unlock", u"-start")};
const Texts kStarted = {Named(u"lock", u"-start"), Named(u"claim"),
                        u"start, claim handed on", u"record 4711",
                        Named(u"close"),           Named(u"unlock", u"-start")};
Texts Then(Texts events, const Texts& more) {
  events.insert(events.end(), more.begin(), more.end());
  return events;
}
std::u16string Box(std::u16string_view text) { return u"box: " + std::u16string(text); }
const std::u16string kHowToStop = u"\r\n" + std::u16string(messages::kHowToStop) +
                                  u"\"C:\\PROGRA~1\\Smeltra\\Smeltra.exe\" --stop";
const std::u16string kRunning = u"The Smeltra server of this folder is already running";

// The start as the server's life orders it: the lock, then the claim; the
// runtime recorded in the claim before the launcher lets go of it; both let
// go of before any box, whatever it says; a running server, a starting or
// stopping launcher, and a process that only has the server's old id, told
// apart. The launcher is reached through the folder's short name.
TEST(LifeTest, ClaimStartAndBoxesInOrder) {
  struct Case {
    const char* name;
    Identities claims = {};  // held open by other processes
    Running running = {};
    std::set<std::u16string> locked = {};
    ExitCode status = ExitCode::kServerStarted;
    Texts events = kStarted;
    bool java = true;
    std::optional<LauncherError> kernel_error = std::nullopt, record_error = std::nullopt;
    std::optional<std::uint32_t> ended_with = std::nullopt;
  };
  const ProcessIdentity server{4242, 7};
  const auto key = InstallationKey(kProgramFiles);
  const std::u16string held = Named(u"lock", u"-start"), claimed = Named(u"claim");
  const Texts first = {held, claimed}, let_go = {Named(u"close"), Named(u"unlock", u"-start")};
  const std::u16string stopped_at_once = std::u16string(messages::kServerNotStarted) + u"\r\n\r\n" +
                                         std::u16string(messages::kServerStoppedAtOnce);
  // clang-format off
  const Case cases[] = {
      {.name = "free"},
      {.name = "ended server's claim", .claims = {{key, server}}},
      {.name = "its id now another's", .claims = {{key, server}}, .running = {{4242, 8}}},
      {.name = "not recorded", .events = {held, claimed, u"start, claim handed on", let_go[0], let_go[1]},
       .record_error = LauncherError(u"Not enough memory.")},
      {.name = "no java", .status = ExitCode::kNoRuntimeInstalled,
       .events = Then(kClaimedThenLetGo, {Box(messages::kNotInstalled)}), .java = false},
      {.name = "ends at once", .status = ExitCode::kServerNotStarted,
       .events = Then(kStarted, {Box(stopped_at_once)}), .ended_with = 1},
      {.name = "running", .claims = {{key, server}}, .running = {{4242, 7}},
       .status = ExitCode::kAlreadyRunning,
       .events = Then(first, Then({Named(u"lock", u"-stop"), Named(u"unlock", u"-stop")},
                      Then(let_go, {Box(kRunning + u", since at 7, as process 4242." +
                                        kHowToStop)})))},
      {.name = "stopping", .claims = {{key, server}}, .running = {{4242, 7}},
       .locked = {key + u"-stop"}, .status = ExitCode::kAlreadyRunning,
       .events = Then(first, Then({Named(u"waited", u"-stop")},
                                  Then(let_go, {Box(messages::kAlreadyStopping)})))},
      {.name = "starting", .locked = {key + u"-start"}, .status = ExitCode::kAlreadyRunning,
       .events = {Named(u"waited", u"-start"), Box(std::u16string(messages::kAlreadyStarting) +
                                                  kHowToStop)}},
      {.name = "running, unrecorded", .claims = {{key, {}}}, .status = ExitCode::kAlreadyRunning,
       .events = Then(kClaimedThenLetGo, {Box(kRunning + u"." + kHowToStop)})},
      {.name = "elevated", .status = ExitCode::kAlreadyRunning,
       .events = {Box(messages::kAlreadyRunningElevated)},
       .kernel_error = LauncherError(u"Access is denied.", kAccessDeniedCode)},
      {.name = "kernel fails", .status = ExitCode::kServerNotStarted,
       .events = {Box(std::u16string(messages::kServerNotStarted) + u"\r\n\r\nOut of names.")},
       .kernel_error = LauncherError(u"Out of names.", 1450)}};
  // clang-format on
  for (const Case& c : cases) {
    testing::MemoryRegistry registry;
    testing::FakePlatform platform;
    platform.executable = u"C:\\PROGRA~1\\Smeltra\\Smeltra.exe";
    platform.long_names = {{u"C:\\PROGRA~1", u"C:\\Program Files"}};
    platform.claims = c.claims;
    platform.running = c.running;
    platform.locked = c.locked;
    platform.kernel_error = c.kernel_error;
    platform.record_error = c.record_error;
    platform.ended_with = c.ended_with;
    if (c.java) {
      platform.environment[u"SMELTRA_JAVA_HOME"] = u"C:\\jre";
      platform.files.insert(u"C:\\jre\\bin\\java.exe");
    }
    EXPECT_EQ(StartServer(registry, RuntimeSearchViews(true), platform), c.status) << c.name;
    Texts events = platform.events;
    if (c.ended_with)
      events.back().resize(stopped_at_once.size() + 5);  // the text pinned elsewhere
    EXPECT_EQ(events, c.events) << c.name;
    EXPECT_EQ(platform.waits.front(), kStartLockWait) << c.name;
    // A held installation is looked at before any search.
    if (c.status == ExitCode::kAlreadyRunning) {
      EXPECT_TRUE(registry.access_masks.empty()) << c.name;
    }
    const bool traced = std::ranges::any_of(platform.traces, [](const std::u16string& line) {
      return line.starts_with(u"claim: the server's process could not be recorded");
    });
    EXPECT_EQ(traced, c.record_error.has_value()) << c.name;
  }
}

// --stop: the stop lock held throughout, the start lock only while the claim
// is read; Ctrl+C first, the wait, and only then the force; what each
// failure makes of it; and a process that only has the server's old id is
// never touched.
TEST(LifeTest, StopAsksWaitsThenEndsTheTree) {
  struct Case {
    const char* name;
    ExitCode status;
    Texts then = {};  // after the claim is read and the start lock let go
    Identities claims = {{InstallationKey(kProgramFiles), {4242, 7}}};
    Running running = {{4242, 7}};
    std::vector<std::optional<std::uint32_t>> ends = {};
    std::optional<LauncherError> ask_error = std::nullopt, end_error = std::nullopt;
    std::u16string box = {};
  };
  const std::u16string not_stopped = std::u16string(messages::kNotStopped) + u"\r\n\r\n";
  const std::u16string after = std::u16string(messages::kEndedAfterLimit[1]);
  // clang-format off
  const Case cases[] = {
      {.name = "never started", .status = ExitCode::kNotRunning, .claims = {}},
      {.name = "ended", .status = ExitCode::kNotRunning, .running = {}},
      {.name = "its id now another's", .status = ExitCode::kNotRunning, .running = {{4242, 8}}},
      {.name = "hears Ctrl+C", .status = ExitCode::kServerStopped, .then = {u"ask 4242"},
       .ends = {130}},
      {.name = "ignores it", .status = ExitCode::kEndedAfterLimit,
       .then = {u"ask 4242", u"end tree 4242"},
       .box = u"The Smeltra server did not stop within 2" + after},
      {.name = "cannot be ended", .status = ExitCode::kNotStopped,
       .then = {u"ask 4242", u"end tree 4242"}, .end_error = LauncherError(u"Access is denied."),
       .box = not_stopped + u"Access is denied."},
      {.name = "ends as it is ended", .status = ExitCode::kServerStopped,
       .then = {u"ask 4242", u"end tree 4242"}, .ends = {std::nullopt, 1},
       .end_error = LauncherError(u"Access is denied.")},
      {.name = "cannot be asked", .status = ExitCode::kNotStopped, .then = {u"ask 4242"},
       .ask_error = LauncherError(u"No console."), .box = not_stopped + u"No console."},
      {.name = "not recorded", .status = ExitCode::kNotStopped,
       .claims = {{InstallationKey(kProgramFiles), {}}},
       .box = not_stopped + std::u16string(messages::kNotRecorded)}};
  // clang-format on
  const std::chrono::milliseconds limit(1500);
  for (const Case& c : cases) {
    testing::FakePlatform platform;
    platform.executable = kProgramFiles + u"\\Smeltra.exe";
    platform.claims = c.claims;
    platform.running = c.running;
    platform.ends = c.ends;
    platform.ask_error = c.ask_error;
    platform.end_error = c.end_error;
    EXPECT_EQ(StopServer(platform, limit), c.status) << c.name;
    Texts events = Then({Named(u"lock", u"-stop")}, kClaimedThenLetGo);
    events = Then(Then(events, c.then), {Named(u"unlock", u"-stop")});
    if (!c.box.empty()) events.push_back(Box(c.box));
    EXPECT_EQ(platform.events, events) << c.name;
    if (!c.then.empty() && !c.ask_error) {
      EXPECT_EQ(platform.waits.at(2), limit) << c.name;
    }
  }
}

}  // namespace
}  // namespace smeltra
