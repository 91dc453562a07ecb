// The hidden process start, with a stand-in for java.exe that writes down how
// it was started, and the server's command line as a started runtime parses
// it.

#include "launcher/windows/platform/process_start.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/server_command_line.h"
#include "launcher/windows/platform/system_message.h"
#include "launcher/windows/platform/windows_launcher_platform.h"
#include "registry/launcher_error.h"
#include "registry/windows/wide_text.h"
#include "tests/stand_ins/start_record.h"
#include "tests/unit/registry_test_support.h"
#include "tests/windows/windows_test_support.h"

namespace smeltra {
namespace {

using testing::NameOfCase;
using testing::StartRecord;

std::wstring RecordingJava() {
  return testing::HelperProgram(std::wstring(SMELTRA_STAND_INS_FOLDER) + L"\\recording_java.exe");
}

// The arguments the system's own rules find in `command_line`.
std::vector<std::string> SplitLikeWindows(const std::string& command_line) {
  int count = 0;
  wchar_t** const arguments = CommandLineToArgvW(Widen(command_line).c_str(), &count);
  std::vector<std::string> result;
  if (arguments == nullptr) return result;
  for (int i = 0; i < count; ++i) result.push_back(Narrow(arguments[i]));
  LocalFree(arguments);
  return result;
}

// A scratch folder, a record file that the stand-in writes to, and the wait
// for what it wrote.
class StartFixture {
 public:
  StartFixture()
      : record_file_(scratch_.wide() + L"\\record.txt"), record_(L"SMELTRA_RECORD", record_file_) {}

  const testing::ScratchFolder& scratch() const { return scratch_; }

  // Puts a copy of the stand-in at `relative` below the scratch folder and
  // gives its full path.
  std::wstring PlaceJava(const std::wstring& relative) const {
    const std::wstring path = scratch_.wide() + L"\\" + relative;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    testing::CopyProgram(RecordingJava(), path);
    return path;
  }

  // The first record, waited for with a hard limit; fails the test without.
  std::optional<StartRecord> WaitForRecord() const {
    std::vector<StartRecord> records;
    const bool arrived = testing::WaitUntil([&] {
      const std::optional<std::string> text = testing::ReadWholeFile(record_file_);
      if (text) records = testing::ParseStartRecords(*text);
      return !records.empty();
    });
    if (!arrived) {
      ADD_FAILURE() << "the started program wrote no record";
      return std::nullopt;
    }
    EXPECT_EQ(records.size(), 1u);
    return records.front();
  }

 private:
  testing::ScratchFolder scratch_;
  std::wstring record_file_;
  testing::ScopedEnvironmentVariable record_;
};

void ExpectHidden(const StartRecord& record) {
  EXPECT_NE(record.startup_flags & STARTF_USESHOWWINDOW, 0u);
  EXPECT_EQ(record.show_window, static_cast<std::uint32_t>(SW_HIDE));
}

struct StartCase {
  std::string name;
  std::wstring java;            // where the stand-in goes, below the scratch folder
  bool quoted;                  // whether the program's path is quoted
  std::wstring arguments;       // the rest of the command line, as it is
  std::wstring working_folder;  // below the scratch folder, or absolute
};

class StartHiddenProcessTest : public ::testing::TestWithParam<StartCase> {};

TEST_P(StartHiddenProcessTest, StartsTheLineExactlyHiddenInTheWorkingFolder) {
  const StartCase& c = GetParam();
  const StartFixture fixture;
  const std::wstring java = fixture.PlaceJava(c.java);
  const std::wstring folder = (fixture.scratch().path() / c.working_folder).wstring();
  std::filesystem::create_directories(folder);
  const std::wstring line = (c.quoted ? L"\"" + java + L"\"" : java) + L" " + c.arguments;

  StartHiddenProcess(Narrow(line), Narrow(folder));

  const std::optional<StartRecord> record = fixture.WaitForRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->command_line, Narrow(line));
  EXPECT_EQ(record->program, Narrow(java));
  EXPECT_EQ(record->current_directory, Narrow(folder));
  ExpectHidden(*record);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StartHiddenProcessTest,
    ::testing::Values(
        StartCase{"QuotedWithBlanks", L"Java\\jre 1.8\\bin\\java.exe", true, L"-version",
                  L"Smeltra"},
        StartCase{"Unquoted", L"jre\\bin\\java.exe", false, L"-classpath \"a b\";c Main", L"w"},
        StartCase{"NonAscii", L"J\u00e4v\u00e4 \u2713\\bin\\java.exe", true,
                  L"-Dname=\u00dcn\u00efc\u00f8d\u00e9 \U0001D11E", L"Tolvan Smeltra \u00c4\u00f6"},
        StartCase{"OddCharactersPassAsTheyAre", L"bin\\java.exe", true,
                  L"\"\" \"\\\"quoted\\\"\"\t%PATH% x\\\\ \"y\\\\\"", L"odd"},
        StartCase{"LongLine", L"bin\\java.exe", true, std::wstring(16000, L'L'), L"long"},
        StartCase{"WorkingFolderIsDriveRoot", L"bin\\java.exe", true, L"-version", L"C:\\"}),
    NameOfCase());

TEST(StartHiddenProcessLifetime, ReturnsAtOnceAndKeepsNoHandle) {
  const StartFixture fixture;
  const std::wstring java = fixture.PlaceJava(L"bin\\java.exe");
  const std::wstring event_name = testing::UniqueName(L"SmeltraHold");
  const UniqueHandle hold(CreateEventW(nullptr, TRUE, FALSE, event_name.c_str()));
  ASSERT_TRUE(hold);
  const testing::ScopedEnvironmentVariable hold_variable(L"SMELTRA_HOLD_EVENT", event_name);

  DWORD handles_before = 0;
  DWORD handles_after = 0;
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handles_before));
  StartHiddenProcess(Narrow(L"\"" + java + L"\" -version"), Narrow(fixture.scratch().wide()));
  ASSERT_TRUE(GetProcessHandleCount(GetCurrentProcess(), &handles_after));
  EXPECT_EQ(handles_after, handles_before);

  const std::optional<StartRecord> record = fixture.WaitForRecord();
  ASSERT_TRUE(record);
  // The stand-in is held open by the event, so the start did not wait for it.
  const UniqueHandle started(OpenProcess(SYNCHRONIZE, FALSE, record->process_id));
  ASSERT_TRUE(started);
  EXPECT_EQ(WaitForSingleObject(started.get(), 0), static_cast<DWORD>(WAIT_TIMEOUT));
  SetEvent(hold.get());
  EXPECT_EQ(WaitForSingleObject(started.get(), 20000), static_cast<DWORD>(WAIT_OBJECT_0));
}

struct FailureCase {
  std::string name;
  std::wstring program;         // below the scratch folder
  bool program_is_text;         // a file that is not a program
  std::wstring working_folder;  // below the scratch folder
  std::int32_t expected_number;
};

class StartHiddenProcessFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(StartHiddenProcessFailure, ThrowsTheSystemsCodeAndMessage) {
  const FailureCase& c = GetParam();
  const StartFixture fixture;
  const std::wstring program = fixture.scratch().wide() + L"\\" + c.program;
  if (c.program_is_text) {
    const UniqueFileHandle file(CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr,
                                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), "not a program", 13, &written, nullptr);
  }
  try {
    StartHiddenProcess(Narrow(L"\"" + program + L"\" -version"),
                       Narrow(fixture.scratch().wide() + L"\\" + c.working_folder));
    FAIL() << "no error raised";
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.number(), c.expected_number);
    EXPECT_EQ(error.description(), SystemMessage(static_cast<DWORD>(c.expected_number)));
    EXPECT_NE(error.description(), "Error " + std::to_string(c.expected_number) + ".");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Causes, StartHiddenProcessFailure,
    ::testing::Values(FailureCase{"ProgramMissing", L"java.exe", false, L"", ERROR_FILE_NOT_FOUND},
                      // The search for the program reports a missing folder as a missing file.
                      FailureCase{"FolderOfProgramMissing", L"no\\such\\bin\\java.exe", false, L"",
                                  ERROR_FILE_NOT_FOUND},
                      FailureCase{"WorkingFolderMissing", L"java.exe", true, L"no such folder",
                                  ERROR_DIRECTORY},
                      FailureCase{"NotAProgram", L"java.exe", true, L"", ERROR_BAD_EXE_FORMAT}),
    NameOfCase());

// The server's command line, from a runtime home and a launcher folder, as
// the runtime sees it once started.
std::vector<std::string> ExpectedServerArguments(const std::string& java_home,
                                                 const std::string& folder) {
  return {java_home.empty() ? "java" : java_home + "\\bin\\java.exe", "-classpath",
          folder + "\\Quorvane\\lib\\vuz.jar;" + folder + "\\Quorvane", "Velquist.Frame11"};
}

TEST(ServerCommandLineRoundTrip, EachPieceIsOneArgument) {
  const std::vector<std::string> homes = {
      "",
      "C:\\Program Files\\Java\\jre 1.8",
      "C:\\Program Files (x86)\\Java\\jre1.8.0_391",
      "C:\\jre\\",
      "D:\\",
      "\\\\server\\share\\jdk 17",
      "C:\\J\u00e4v\u00e4 \u2713\\\U0001D11E",
  };
  const std::vector<std::string> folders = {
      "C:\\",
      "C:\\Program Files\\Tolvan Smeltra",
      "E:\\\u00dcn\u00efc\u00f8d\u00e9 \u2713\\x",
      "\\\\server\\share\\Smeltra",
  };
  for (const std::string& home : homes) {
    for (const std::string& folder : folders) {
      SCOPED_TRACE("home [" + home + "] folder [" + folder + "]");
      EXPECT_EQ(SplitLikeWindows(ServerCommandLine(home, folder)),
                ExpectedServerArguments(home, folder));
    }
  }
}

struct ServerStartCase {
  std::string name;
  std::wstring java_home;  // below the scratch folder; empty: java from the search path
  std::wstring folder;     // the launcher's folder, below the scratch folder
};

class ServerStartedForReal : public ::testing::TestWithParam<ServerStartCase> {};

TEST_P(ServerStartedForReal, RuntimeSeesTheArgumentsAndStartsInTheFolder) {
  const ServerStartCase& c = GetParam();
  const StartFixture fixture;
  const std::wstring scratch = fixture.scratch().wide();
  std::string home;
  std::optional<testing::ScopedEnvironmentVariable> path;
  if (c.java_home.empty()) {
    fixture.PlaceJava(L"on path\\java.exe");
    path.emplace(L"PATH", scratch + L"\\on path;C:\\windows\\system32");
  } else {
    home = Narrow(scratch + L"\\" + c.java_home);
    fixture.PlaceJava(c.java_home + L"\\bin\\java.exe");
  }
  const std::string folder = Narrow(fixture.scratch().MakeFolder(c.folder));
  const std::string line = ServerCommandLine(home, folder);

  WindowsLauncherPlatform().StartHidden(line, folder);

  const std::optional<StartRecord> record = fixture.WaitForRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->command_line, line);
  EXPECT_EQ(record->arguments, ExpectedServerArguments(home, folder));
  EXPECT_EQ(record->current_directory, folder);
  ExpectHidden(*record);
}

INSTANTIATE_TEST_SUITE_P(
    Homes, ServerStartedForReal,
    ::testing::Values(ServerStartCase{"HomeWithBlanks", L"Program Files\\Java\\jre 1.8",
                                      L"Tolvan Smeltra"},
                      ServerStartCase{"NonAsciiHomeAndFolder", L"J\u00e4v\u00e4\\jdk \u2713",
                                      L"Sm\u00e9ltra \u00dcn\u00efc\u00f8d\u00e9"},
                      ServerStartCase{"HomeWithTrailingSeparator", L"jre\\", L"Smeltra"},
                      ServerStartCase{"JavaFromSearchPath", L"", L"Smeltra"}),
    NameOfCase());

}  // namespace
}  // namespace smeltra
