// One server per installation: the installation's name, the launcher's
// arguments, and what the start and the stop make of each answer the
// platform gives, against the fake platform.

#include <gtest/gtest.h>

#include "common/text.h"
#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/path_text.h"
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

TEST(AsksToStopTest, StopInAnyCaseAndNothingElse) {
  using Arguments = std::vector<std::u16string>;
  for (const Arguments& stop : {Arguments{u"--stop"}, Arguments{u"/stop"}, Arguments{u"/STOP"},
                                Arguments{u"-x", u"--Stop"}})
    EXPECT_TRUE(AsksToStop(stop)) << Utf8(stop.back());
  for (const Arguments& start : {Arguments{}, Arguments{u"stop"}, Arguments{u"-stop"},
                                 Arguments{u"--stop=now"}, Arguments{u"/stopp"}, Arguments{u"--"}})
    EXPECT_FALSE(AsksToStop(start)) << Utf8(start.empty() ? u"" : start.back());
}

std::u16string HowToStop() {
  return u"\r\n" + std::u16string(messages::kHowToStop) + u"\"C:\\Smeltra.exe\" --stop";
}

// A launcher whose installation is held already starts nothing: one box,
// status 4, before any search.
TEST(ClaimTest, AHeldInstallationStartsNothing) {
  using Holder = Claim::Holder;
  const std::pair<Claim, std::u16string> cases[] = {
      {{.holder = Holder::kServer, .process_id = 4242, .since = u"2026-12-07 21:04:33"},
       u"The Smeltra server of this folder is already running, since 2026-12-07 21:04:33, as "
       u"process 4242." +
           HowToStop()},
      {{.holder = Holder::kStarting}, std::u16string(messages::kAlreadyStarting) + HowToStop()},
      {{.holder = Holder::kElevated}, std::u16string(messages::kAlreadyRunningElevated)}};
  for (const auto& [claim, box] : cases) {
    testing::MemoryRegistry registry;
    testing::FakePlatform platform;
    platform.claim = claim;
    EXPECT_EQ(StartServer(registry, RuntimeSearchViews(true), platform), ExitCode::kAlreadyRunning);
    EXPECT_EQ(platform.messages, Texts{box});
    EXPECT_EQ(platform.claimed, Texts{InstallationKey(u"C:\\")});
    EXPECT_TRUE(platform.traces.empty());  // no search
    EXPECT_TRUE(registry.access_masks.empty());
  }
}

// --stop: its outcome as the exit status, a box only where someone must
// know, the limit the tests may shorten.
TEST(StopServerTest, OutcomesStatusesAndBoxes) {
  struct Case {
    StopOutcome outcome;
    ExitCode status;
    std::optional<LauncherError> error = std::nullopt;
    std::optional<std::u16string> test_limit = std::nullopt;
    std::chrono::milliseconds limit = kStopLimit;
    std::u16string box = {};
  };
  const std::u16string after = std::u16string(messages::kEndedAfterLimit[1]);
  // clang-format off
  const Case cases[] = {
      {.outcome = StopOutcome::kStopped, .status = ExitCode::kServerStopped},
      {.outcome = StopOutcome::kNotRunning, .status = ExitCode::kNotRunning},
      {.outcome = StopOutcome::kEndedAfterLimit, .status = ExitCode::kEndedAfterLimit,
       .box = u"The Smeltra server did not stop within 30" + after},
      {.outcome = StopOutcome::kEndedAfterLimit, .status = ExitCode::kEndedAfterLimit,
       .test_limit = u"1500", .limit = std::chrono::milliseconds(1500),
       .box = u"The Smeltra server did not stop within 2" + after},
      {.outcome = StopOutcome::kStopped, .status = ExitCode::kServerStopped, .test_limit = u"-5"},
      {.outcome = StopOutcome::kStopped, .status = ExitCode::kNotStopped,
       .error = LauncherError(u"Access is denied."),
       .box = std::u16string(messages::kNotStopped) + u"\r\n\r\nAccess is denied."}};
  // clang-format on
  for (const Case& c : cases) {
    testing::FakePlatform platform;
    platform.stopped = c.outcome;
    platform.start_error = c.error;
    if (c.test_limit) platform.environment[u"SMELTRA_TEST_STOP_LIMIT_MS"] = *c.test_limit;
    EXPECT_EQ(StopServer(platform), c.status);
    EXPECT_EQ(platform.messages, c.box.empty() ? Texts{} : Texts{c.box});
    EXPECT_EQ(platform.watched, c.limit);
    EXPECT_EQ(platform.claimed, Texts{InstallationKey(u"C:\\")});
  }
}

}  // namespace
}  // namespace smeltra
