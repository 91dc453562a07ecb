#include <gtest/gtest.h>

#include <functional>
#include <new>

#include "launcher/runtime_messages.h"
#include "launcher/server_start.h"
#include "registry/launcher_error.h"
#include "registry/memory_registry.h"
#include "registry_test_support.h"

namespace smeltra {
namespace {

using testing::ProgramEnded;
using testing::RecordingUserInterface;
using Messages = std::vector<std::string>;

constexpr std::string_view kJre = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
constexpr std::string_view kFolder = "D:\\Smeltra";
const std::string kFileNotFound = "The system cannot find the file specified.";

struct StartedProcess {
  std::string command_line;
  std::string working_folder;
};

class RecordingPlatform final : public LauncherPlatform {
 public:
  std::string LauncherFolder() override {
    if (folder_error) throw LauncherError(5, *folder_error);
    return std::string(kFolder);
  }
  void StartHidden(const std::string& command_line, const std::string& working_folder) override {
    if (out_of_memory) throw std::bad_alloc();
    if (start_error) throw LauncherError(2, *start_error);
    started.push_back({command_line, working_folder});
  }

  std::optional<std::string> folder_error;
  std::optional<std::string> start_error;
  bool out_of_memory = false;
  std::vector<StartedProcess> started;
};

struct StartCase {
  const char* name;
  std::function<void(InMemoryRegistry&, RecordingPlatform&)> arrange;
  ExitCode exit_code;
  Messages messages;
  std::optional<std::string> started_line;
};

const std::string kChosenLine =
    "\"C:\\jre\\bin\\java.exe\" -classpath \"D:\\Smeltra\\Quorvane\\lib\\vuz.jar\";"
    "\"D:\\Smeltra\\Quorvane\" Velquist.Frame11";
const std::string kFallbackLine =
    "java -classpath \"D:\\Smeltra\\Quorvane\\lib\\vuz.jar\";\"D:\\Smeltra\\Quorvane\" "
    "Velquist.Frame11";

void InstallRuntime(InMemoryRegistry& registry, RecordingPlatform&) {
  registry.SetString(RegistryView::k64Bit, kHkeyLocalMachine, std::string(kJre) + "\\1.8",
                     "JavaHome", "C:\\jre");
}

class ServerStartTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(ServerStartTest, StartsOrReportsAndGivesTheExitCode) {
  const StartCase& c = GetParam();
  InMemoryRegistry registry;
  RecordingPlatform platform;
  c.arrange(registry, platform);
  RecordingUserInterface ui;
  const std::vector<RegistryView> views = {RegistryView::k64Bit, RegistryView::k32Bit};

  ExitCode exit_code{};
  try {
    exit_code = StartServer(registry, views, ui, platform);
  } catch (const ProgramEnded& end) {
    exit_code = end.code;
  }

  EXPECT_EQ(exit_code, c.exit_code);
  EXPECT_EQ(ui.messages, c.messages);
  if (c.started_line) {
    ASSERT_EQ(platform.started.size(), 1u);
    EXPECT_EQ(platform.started[0].command_line, *c.started_line);
    EXPECT_EQ(platform.started[0].working_folder, kFolder);
  } else {
    EXPECT_TRUE(platform.started.empty());
  }
}

INSTANTIATE_TEST_SUITE_P(
    Outcomes, ServerStartTest,
    ::testing::Values(
        StartCase{"RuntimeFound", InstallRuntime, ExitCode::kServerStarted, {}, kChosenLine},
        StartCase{"SearchErrorFallsBackToJavaOnThePath",
                  [](InMemoryRegistry& r, RecordingPlatform&) {
                    r.AddKey(RegistryView::k64Bit, kHkeyLocalMachine, std::string(kJre) + "\\abc");
                  },
                  ExitCode::kServerStarted,
                  {"Type mismatch: runtime version \"abc\" is not a number",
                   std::string(runtime_messages::kSearchError)},
                  kFallbackLine},
        StartCase{"NoRuntimeEndsBeforeAnythingStarts",
                  [](InMemoryRegistry&, RecordingPlatform&) {},
                  ExitCode::kNoRuntimeInstalled,
                  {std::string(runtime_messages::kNotInstalled)},
                  std::nullopt},
        StartCase{"NoneNewEnoughEndsBeforeAnythingStarts",
                  [](InMemoryRegistry& r, RecordingPlatform&) {
                    r.AddKey(RegistryView::k32Bit, kHkeyLocalMachine, std::string(kJre) + "\\1.3");
                  },
                  ExitCode::kNoRuntimeNewEnough,
                  {std::string(runtime_messages::kNotNewEnough)},
                  std::nullopt},
        StartCase{"ProcessStartFails",
                  [](InMemoryRegistry& r, RecordingPlatform& p) {
                    InstallRuntime(r, p);
                    p.start_error = kFileNotFound;
                  },
                  ExitCode::kServerNotStarted,
                  {"The Smeltra server could not be started.\r\n\r\n" + kFileNotFound + "\r\n\r\n" +
                   kChosenLine},
                  std::nullopt},
        StartCase{
            "OutOfMemoryAtTheStart",
            [](InMemoryRegistry& r, RecordingPlatform& p) {
              InstallRuntime(r, p);
              p.out_of_memory = true;
            },
            ExitCode::kServerNotStarted,
            {"The Smeltra server could not be started.\r\n\r\nOut of memory\r\n\r\n" + kChosenLine},
            std::nullopt},
        StartCase{"LauncherFolderUnreadable",
                  [](InMemoryRegistry& r, RecordingPlatform& p) {
                    InstallRuntime(r, p);
                    p.folder_error = "Access is denied.";
                  },
                  ExitCode::kServerNotStarted,
                  {"The Smeltra server could not be started.\r\n\r\nAccess is denied."},
                  std::nullopt}),
    testing::NameOfCase());

}  // namespace
}  // namespace smeltra
