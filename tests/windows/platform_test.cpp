// WindowsPlatform against the real system: failures in the system's own
// words, the environment, files and what they hold, the log's own file, the
// runtime's output piped into its log, one folder's two names, the stop's
// Ctrl+C and its force on the runtime's job, the window station; and options
// quoted as Windows reads them back. The runtime's start itself (without a
// window, its handles, in which folder, watched), a log and a claim held by a
// program the runtime started, where the program is and DLLs planted beside
// it come with the end-to-end suite, which runs the real program.

#include "launcher/windows/windows_platform.h"

// After windows.h, which it needs.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <thread>

#include "common/text.h"
#include "common/windows/unique_handles.h"
#include "common/windows/wide_text.h"
#include "launcher/argument_quoting.h"
#include "launcher/log_pump.h"
#include "launcher/path_text.h"
#include "launcher/server_life.h"
#include "launcher/server_start.h"
#include "launcher/windows/output_pipe.h"
#include "tests/support/fakes.h"
#include "tests/windows/test_support.h"

namespace smeltra {
namespace {

using testing::ScratchFolder;
using testing::ThrownBy;
using testing::UniqueName;

TEST(StartHiddenTest, AFailedStartCarriesTheSystemsText) {
  const ScratchFolder scratch;
  WindowsPlatform platform;
  const std::u16string program = platform.ExecutablePath();
  EXPECT_EQ(ThrownBy([&] {
              platform.StartHidden(program, u"\"" + program + u"\"",
                                   FromWide(scratch.path() + L"\\none"), u"", nullptr, false,
                                   nullptr);
            }),
            SystemError(ERROR_DIRECTORY).description());
  // The system's text without its line break; a number it has no text for.
  const std::u16string text = SystemError(ERROR_FILE_NOT_FOUND).description();
  EXPECT_NE(text, u"Error 2.");
  EXPECT_EQ(text.find_first_of(u"\r\n"), std::u16string::npos);
  EXPECT_EQ(SystemError(0x20001234).description(), u"Error 536875572.");
}

// What the search reads of the environment, longer than any first buffer.
TEST(EnvironmentTest, VariablesExpansionAndSystemFolders) {
  WindowsPlatform platform;
  const std::wstring long_value = L"C:\\" + std::wstring(400, L'\u00e4');
  SetEnvironmentVariableW(L"SMELTRA_TEST_LONG", long_value.c_str());
  SetEnvironmentVariableW(L"SMELTRA_TEST_EMPTY", L"");
  SetEnvironmentVariableW(L"SMELTRA_TEST_UNSET", nullptr);
  EXPECT_EQ(platform.EnvironmentVariable(u"SMELTRA_TEST_LONG"), FromWide(long_value));
  EXPECT_EQ(platform.EnvironmentVariable(u"SMELTRA_TEST_EMPTY"), u"");
  EXPECT_EQ(platform.EnvironmentVariable(u"SMELTRA_TEST_UNSET"), std::nullopt);
  EXPECT_EQ(platform.ExpandEnvironment(u"%SMELTRA_TEST_LONG%\\jre %SMELTRA_TEST_UNSET%"),
            FromWide(long_value) + u"\\jre %SMELTRA_TEST_UNSET%");
  wchar_t system[MAX_PATH] = {}, windows[MAX_PATH] = {};
  GetSystemDirectoryW(system, MAX_PATH);
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(platform.SystemFolders(),
            (std::vector<std::u16string>{FromWide(system), FromWide(windows) + u"\\System",
                                         FromWide(windows)}));
}

// Not there, read whole, cut one byte past the cap, and what cannot be read.
TEST(ReadFileTest, TellsMissingReadTooLongAndUnreadableApart) {
  const ScratchFolder scratch;
  const std::wstring file = scratch.path() + L"\\Sm\u00e9ltra.vmoptions";
  WindowsPlatform platform;
  const auto read = [&](std::size_t cap) { return platform.ReadFile(FromWide(file), cap); };
  EXPECT_EQ(read(8), std::nullopt);
  EXPECT_FALSE(platform.FileExists(FromWide(file)));
  EXPECT_EQ(platform.ReadFile(FromWide(scratch.path() + L"\\none\\x"), 8), std::nullopt);
  const std::string bytes = std::string("\xFF\xFE-\0X\0\r\n", 8) + std::string(200000, 'm');
  std::ofstream(std::filesystem::path(file), std::ios::binary) << bytes;
  EXPECT_TRUE(platform.FileExists(FromWide(file)));
  EXPECT_FALSE(platform.FileExists(FromWide(scratch.path())));  // a folder is no file
  const std::pair<std::size_t, std::string> caps[] = {{bytes.size(), bytes},
                                                      {bytes.size() - 1, bytes},
                                                      {3, bytes.substr(0, 4)},
                                                      {0, bytes.substr(0, 1)}};
  for (const auto& [cap, expected] : caps) EXPECT_EQ(read(cap), expected) << cap;

  // An editor that holds the file open for writing does not keep it from
  // being read; a program that locked it does, and so does a folder.
  UniqueHandle editor(CreateFileW(file.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_EQ(read(bytes.size()), bytes);
  editor.reset();
  const UniqueHandle locked(
      CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  const auto failure = [&](const std::wstring& path) {
    return ThrownBy([&] { platform.ReadFile(FromWide(path), 8); });
  };
  EXPECT_EQ(failure(file), SystemError(ERROR_SHARING_VIOLATION).description());
  EXPECT_EQ(failure(scratch.path()), SystemError(ERROR_ACCESS_DENIED).description());
}

// The log's own file kept open to append to, as the pump keeps it: folders
// made on the way, its size counting what another writer added, no move
// while it is open (so a roll closes it first), and the end of what was
// written after a point read back as the box quotes it.
TEST(LogFileTest, AppendedKeptFromMovingReadTheEnd) {
  const ScratchFolder scratch;
  WindowsPlatform platform;
  const std::u16string log = FromWide(scratch.path()) + u"\\l\u00f6gs\\server.log";
  auto file = platform.OpenToAppend(log);
  platform.Append(*file, "header\r\n");
  platform.Append(*platform.OpenToAppend(log), "out\n");
  platform.Append(*file, "more\n");
  EXPECT_EQ(platform.SizeOf(*file), 17u);
  const auto move = [&] { platform.MoveFile(log, log + u".1"); };
  EXPECT_EQ(ThrownBy(move), SystemError(ERROR_SHARING_VIOLATION).description());
  EXPECT_EQ(platform.ReadFileEnd(log, 8, 100), "out\nmore\n");
  EXPECT_EQ(platform.ReadFileEnd(log, 8, 3), "ore\n");  // one byte past the cap: cut
  EXPECT_EQ(platform.ReadFileEnd(log, 17, 4), "");
  file.reset();
  EXPECT_EQ(ThrownBy(move), u"");
  EXPECT_EQ(platform.ReadFileEnd(log, 0, 4), std::nullopt);
}

// The pipe under pressure: a writer faster than the disk, 25 MiB of
// numbered lines in large writes and a last line never ended, all of it in
// the log once and in order across rolled files, each at most the roll's
// size and one line, no line split between two, each new one opened by its
// header line.
TEST(OutputPipeTest, AFastWriterLosesAndSplitsNoLine) {
  const ScratchFolder scratch;
  WindowsPlatform platform;
  const std::u16string folder = FromWide(scratch.path()) + u"\\";
  platform.Append(*platform.OpenToAppend(folder + u"server.log"), "run\r\n");
  std::string written;
  for (int line = 0; written.size() < (25u << 20); ++line)
    written += "line " + std::to_string(line) + " of the server's output\r\n";
  written += "the last, never ended";
  {
    OutputPipe pipe(LogPump(platform, {folder + u"server.log", 5}, u"h"));
    DWORD flags = 0;
    EXPECT_TRUE(GetHandleInformation(pipe.writer.get(), &flags) && (flags & HANDLE_FLAG_INHERIT));
    const std::jthread runtime([&, writer = std::move(pipe.writer)] {
      std::string_view rest = written;
      DWORD sent = 0;
      while (!rest.empty() &&
             WriteFile(writer.get(), rest.data(),
                       static_cast<DWORD>(std::min<std::size_t>(rest.size(), 1 << 20)), &sent,
                       nullptr))
        rest.remove_prefix(sent);
    });
  }
  std::string logged;
  for (const std::u16string name : {u"server.2.log", u"server.1.log", u"server.log"}) {
    const std::string file = platform.ReadFile(folder + name, 2 * kRollBytes).value_or("");
    const std::size_t body = file.find('\n') + 1;
    EXPECT_EQ(file.substr(0, body),
              name == u"server.2.log" ? "run\r\n" : file.substr(0, 19) + " h\r\n");
    if (name != u"server.log") {
      EXPECT_LE(file.size(), kRollBytes + 40) << Utf8(name);
      EXPECT_TRUE(file.ends_with("output\r\n")) << Utf8(name);
    }
    logged += file.substr(body);
  }
  EXPECT_TRUE(logged == written) << logged.size() << " bytes logged of " << written.size();
  EXPECT_FALSE(platform.FileExists(folder + u"server.3.log"));
}

// The robot as the server's runtime, java.exe in a scratch folder, which
// records its start and what it hears in `record` there.
struct Runtime {
  Runtime() {
    const std::u16string robot = FolderOfFile(WindowsPlatform().ExecutablePath()) + u"\\robot.exe";
    EXPECT_TRUE(CopyFileW(AsWide(robot), AsWide(java), FALSE));
    SetEnvironmentVariableW(L"SMELTRA_RECORD", AsWide(record));
    SetEnvironmentVariableW(L"SMELTRA_RUNTIME_MS", L"60000");
  }
  // Its record once it holds `lines` lines, within 10 s.
  std::string Record(std::size_t lines) const {
    std::string text;
    for (int tries = 0; tries < 200; ++tries, Sleep(50)) {
      text = WindowsPlatform().ReadFile(record, 1 << 16).value_or("");
      if (static_cast<std::size_t>(std::ranges::count(text, '\n')) >= lines) break;
    }
    return text;
  }
  const ScratchFolder scratch;
  const std::u16string folder = FromWide(scratch.path());
  const std::u16string java = folder + u"\\java.exe", record = folder + u"\\record";
};

// One folder's short and long names are one installation.
TEST(ComparableFolderTest, ShortAndLongNamesAlike) {
  const ScratchFolder scratch;
  const std::wstring folder = scratch.path() + L"\\Tolvan Smeltra installation";
  ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
  wchar_t short_form[MAX_PATH] = {};
  ASSERT_NE(GetShortPathNameW(folder.c_str(), short_form, MAX_PATH), 0u);
  ASSERT_NE(short_form, folder);
  WindowsPlatform platform;
  EXPECT_EQ(platform.ComparableFolder(FromWide(short_form)),
            platform.ComparableFolder(FromWide(folder)));
}

// The stop's two ends on a real console and job: a runtime started by a
// launcher that was told to ignore Ctrl+C hears it all the same, and one
// that ignores it is ended after the limit with the program it started,
// which held its log until then.
TEST(StopTest, CtrlCHeardWhateverTheLauncherWasToldAndTheForceEndsTheTree) {
  WindowsPlatform platform;
  {
    const Runtime runtime;
    SetConsoleCtrlHandler(nullptr, TRUE);
    const auto server =
        platform.StartHidden(runtime.java, u"java", u"", u"", nullptr, false, nullptr);
    runtime.Record(1);
    EXPECT_EQ(StopProcess(platform, *server.process, std::chrono::seconds(10)),
              StopOutcome::kStopped);
    EXPECT_EQ(platform.WaitForEnd(*server.process, {}), 130u);
  }
  const Runtime runtime;
  const std::u16string log = runtime.folder + u"\\server.log";
  SetEnvironmentVariableW(L"SMELTRA_RUNTIME_IGNORES_STOP", L"1");
  SetEnvironmentVariableW(L"SMELTRA_RUNTIME_CHILD", L"60000");
  const auto server =
      platform.StartHidden(runtime.java, u"java", u"", log, nullptr, false, nullptr);
  SetEnvironmentVariableW(L"SMELTRA_RUNTIME_IGNORES_STOP", nullptr);
  SetEnvironmentVariableW(L"SMELTRA_RUNTIME_CHILD", nullptr);
  runtime.Record(2);
  const auto move = [&] { platform.MoveFile(log, log + u".1"); };
  EXPECT_EQ(ThrownBy(move), SystemError(ERROR_SHARING_VIOLATION).description());
  EXPECT_EQ(StopProcess(platform, *server.process, std::chrono::milliseconds(500)),
            StopOutcome::kEndedAfterLimit);
  EXPECT_EQ(ThrownBy(move), u"") << "the runtime's own program still holds its log";
}

// Boxes only where someone can see them: the user's window station, not one
// that is not visible, as a service's or a scheduled task's is.
TEST(WindowStationTest, VisibleOnlyForTheUsersOwn) {
  WindowsPlatform platform;
  EXPECT_TRUE(platform.CanShowWindows());
  const HWINSTA own = GetProcessWindowStation();
  const HWINSTA hidden = CreateWindowStationW(UniqueName().c_str(), 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_NE(hidden, nullptr);
  ASSERT_TRUE(SetProcessWindowStation(hidden));
  EXPECT_FALSE(platform.CanShowWindows());
  SetProcessWindowStation(own);
  CloseWindowStation(hidden);
}

// Arguments that quoting gets wrong in each of the usual ways, read back by
// the system's own reader of a command line.
TEST(ArgumentQuotingTest, CommandLineToArgvWReadsEveryArgumentBack) {
  // clang-format off
  const std::vector<std::u16string> awkward = {
      u"", u" ", u"\t", u"plain", u"a b", u"a\tb", u"  both ends  ", u"\"", u"a\"b", u"\"\"",
      u"\\", u"a\\", u"a\\\\", u"a b\\", u"a b\\\\", u"\\\"", u"a\\\"b", u"a\\\\\"b c",
      u"C:\\Program Files\\Java\\", u"\\\\server\\share\\", u"-Dq=\"x y\"\\",
      u"-Dcity=Z\u00fcrich \u20ac\U0001D11E", u"lone \xD800 surrogate", u"%PATH%", u"^&|<>"};
  // clang-format on
  int count = 0;
  const UniqueLocalMemory argv(
      CommandLineToArgvW(AsWide(u"java.exe" + QuotedArguments(awkward)), &count));
  std::vector<std::u16string> read;
  for (int i = 1; i < count; ++i) read.push_back(FromWide(static_cast<wchar_t**>(argv.get())[i]));
  EXPECT_EQ(read, awkward);
}

}  // namespace
}  // namespace smeltra
