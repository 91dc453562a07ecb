#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <new>
#include <stdexcept>

#include "launcher/messages.h"
#include "launcher/runtime_version.h"
#include "launcher/server_start.h"
#include "registry/launcher_error.h"
#include "tests/support/fake_platform.h"
#include "tests/support/memory_registry.h"

namespace smeltra {
namespace {

using testing::FakePlatform;
using testing::MemoryRegistry;
using testing::ProgramEnded;

TEST(RuntimeVersionTest, FirstThreeCharactersAsANumber) {
  const std::pair<std::u16string, double> passing[] = {
      {u"1.4", 1.4}, {u"1.4.2_03", 1.4}, {u"1.10", 1.1}, {u"2", 2},         {u"17.0.9", 17},
      {u" 1.", 1},   {u"-1", -1},        {u"+.5", 0.5},  {u"1.3.1_20", 1.3}};
  for (const auto& [name, number] : passing) {
    EXPECT_EQ(RuntimeVersionNumber(name), number);
  }
  // The full stop in every locale: exactly the double nearest to 1.4.
  EXPECT_EQ(std::bit_cast<std::uint64_t>(RuntimeVersionNumber(u"1.4")), 0x3FF6666666666666u);
  for (const std::u16string name :
       {u"abc", u"1,5", u"1e5", u"inf", u"nan", u"", u"21-ea", u"1..", u"0x1", u"\xD800"}) {
    try {
      RuntimeVersionNumber(name);
      ADD_FAILURE() << "read a number from a name of " << name.size() << " units";
    } catch (const LauncherError& error) {
      EXPECT_EQ(error.number(), 13);
      EXPECT_EQ(error.description(),
                u"Type mismatch: runtime version \"" + name + u"\" is not a number");
    }
  }
}

TEST(RuntimeVersionTest, VendorNamesAsNumbers) {
  using Numbers = std::vector<std::uint32_t>;
  const std::pair<std::u16string, std::optional<Numbers>> cases[] = {
      {u"21.0.1.12", Numbers{21, 0, 1, 12}},
      {u"zulu-17", Numbers{17}},
      {u"zulu-8-jre", Numbers{8}},
      {u"jdk-21", Numbers{21}},
      {u"1.8.0_392", Numbers{8, 0, 392}},
      {u"1", Numbers{1}},
      {u"latest", std::nullopt},
      {u"99999999999", std::nullopt}};
  for (const auto& [name, numbers] : cases) EXPECT_EQ(VendorVersion(name), numbers);
}

TEST(ServerCommandLineTest, PiecesJoinedAsTheyAre) {
  const std::u16string tail =
      u"-classpath \"C:\\App\\Quorvane\\lib\\vuz.jar\";\"C:\\App\\Quorvane\" Velquist.Frame11";
  EXPECT_EQ(ServerCommandLine(u"C:\\Java\\jre", u"C:\\App"),
            u"\"C:\\Java\\jre\\bin\\java.exe\" " + tail);
  EXPECT_EQ(ServerCommandLine(u"", u"C:\\App"), u"java " + tail);
  EXPECT_EQ(ServerCommandLine(u"C:\\Program Files\\jre 1.8\\", u"C:\\App"),
            u"\"C:\\Program Files\\jre 1.8\\\\bin\\java.exe\" " + tail);
  EXPECT_EQ(
      ServerCommandLine(u"", u"D:\\"),
      u"java -classpath \"D:\\\\Quorvane\\lib\\vuz.jar\";\"D:\\\\Quorvane\" Velquist.Frame11");
}

TEST(FolderOfFileTest, DriveRootsKeepTheirSeparator) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"C:\\App\\Smeltra.exe", u"C:\\App"},
      {u"C:\\Smeltra.exe", u"C:\\"},
      {u"\\\\?\\C:\\Smeltra.exe", u"\\\\?\\C:\\"},
      {u"\\\\server\\share\\Smeltra.exe", u"\\\\server\\share"},
      {u"C:\\F\xD800lder\\Smeltra.exe", u"C:\\F\xD800lder"},
      {u"Smeltra.exe", u""}};
  for (const auto& [file, folder] : cases) EXPECT_EQ(FolderOfFile(file), folder);
}

// The start-up over a runtime at C:\Java, with what the case changes.
struct StartCase {
  const char* name;
  std::function<void(MemoryRegistry&, FakePlatform&)> arrange;
  ExitCode status;
  std::vector<std::u16string> messages;
  std::u16string started;  // the command line, when something started
};

const std::u16string kLine = ServerCommandLine(u"C:\\Java", u"C:\\Smeltra");
const std::u16string kNotStarted = std::u16string(messages::kServerNotStarted) + u"\r\n\r\n";

class StartServerTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartServerTest, StatusBoxesAndStart) {
  MemoryRegistry registry;
  FakePlatform platform;
  registry.SetString(RegistryView::k64Bit, kHkeyLocalMachine, u"SOFTWARE\\JavaSoft\\JDK\\17",
                     u"JavaHome", u"C:\\Java");
  platform.files.insert(u"C:\\Java\\bin\\java.exe");
  GetParam().arrange(registry, platform);
  const RegistryView views[] = {RegistryView::k64Bit};
  ExitCode status{};
  try {
    status = StartServer(registry, views, platform);
  } catch (const ProgramEnded& end) {
    status = end.code;
  }
  EXPECT_EQ(status, GetParam().status);
  EXPECT_EQ(platform.messages, GetParam().messages);
  if (GetParam().started.empty()) {
    EXPECT_TRUE(platform.starts.empty());
  } else {
    ASSERT_EQ(platform.starts.size(), 1u);
    EXPECT_EQ(platform.starts[0].first, GetParam().started);
    EXPECT_EQ(platform.starts[0].second, u"C:\\Smeltra");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, StartServerTest,
    ::testing::Values(
        StartCase{"Started", [](auto&, auto&) {}, ExitCode::kServerStarted, {}, kLine},
        StartCase{"CannotStart",
                  [](auto&, FakePlatform& p) { p.start_error = LauncherError(2, u"Not found."); },
                  ExitCode::kServerNotStarted,
                  {kNotStarted + u"Not found.\r\n\r\n" + kLine},
                  u""},
        StartCase{"FolderUnreadable",
                  [](auto&, FakePlatform& p) { p.path_error = LauncherError(5, u"Denied."); },
                  ExitCode::kServerNotStarted,
                  {kNotStarted + u"Denied."},
                  u""},
        StartCase{"NoRuntimeKey",
                  [](MemoryRegistry& r, auto&) { r = MemoryRegistry(); },
                  ExitCode::kNoRuntimeInstalled,
                  {std::u16string(messages::kNotInstalled)},
                  u""},
        StartCase{"SearchErrorStartsJavaFromThePath",
                  [](MemoryRegistry& r, auto&) {
                    r.AddKey(RegistryView::k64Bit, kHkeyLocalMachine,
                             u"SOFTWARE\\JavaSoft\\JRE\\x");
                  },
                  ExitCode::kServerStarted,
                  {u"Type mismatch: runtime version \"x\" is not a number",
                   std::u16string(messages::kSearchError)},
                  ServerCommandLine(u"", u"C:\\Smeltra")}),
    [](const auto& test) { return std::string(test.param.name); });

// What a box says for a failure that is no LauncherError.
TEST(ErrorDescriptionTest, OtherFailures) {
  EXPECT_EQ(ErrorDescription(std::bad_alloc()), u"Out of memory");
  EXPECT_EQ(ErrorDescription(std::runtime_error("odd")), u"odd");
  EXPECT_EQ(ErrorDescription(LauncherError(2, u"Not found.")), u"Not found.");
}

}  // namespace
}  // namespace smeltra
