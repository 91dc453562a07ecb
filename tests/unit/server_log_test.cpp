// The server's log against the fake platform's files: which folder takes it,
// how earlier runs move on, what the box quotes of it, and its roll while
// the runtime writes it.

#include "launcher/server_log.h"

#include <gtest/gtest.h>

#include "common/text.h"
#include "launcher/log_pump.h"
#include "launcher/path_text.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using Files = std::map<std::u16string, std::string>;
const std::u16string kFolder = u"C:\\Apps\\Smeltra";
const std::u16string kLogs = kFolder + u"\\logs\\";
const std::u16string kLocal = u"C:\\Users\\ana\\AppData\\Local";
const std::u16string kJava = u"C:\\jre\\bin\\java.exe";
// The header of a run in the fake's time, started with kJava and "line".
const std::string kHeader = "2026-12-07 21:04:33 Smeltra starts C:\\jre\\bin\\java.exe: line\r\n";

// The log folder's files by name.
Files InLogs(const testing::FakePlatform& platform) {
  Files files;
  for (const auto& [path, bytes] : platform.contents) files[path.substr(kLogs.size())] = bytes;
  return files;
}

std::optional<ServerLog> Open(testing::FakePlatform& platform,
                              const std::u16string& folder = kFolder) {
  return OpenServerLog(platform, folder, InstallationKey(folder), kJava, u"line");
}

// Where the log goes: the launcher's folder when it can be written there,
// the user's own folder for the installation when not, nowhere when neither
// or when turned off; the trace says which and why.
struct PlaceCase {
  const char* name;
  std::set<std::u16string> unwritable = {};
  std::map<std::u16string, std::u16string> environment = {{u"LOCALAPPDATA", kLocal}};
  std::optional<std::u16string> folder = std::nullopt;  // of the log; nothing: none
  std::u16string last_trace;                            // how the last trace line starts
};

class LogPlaceTest : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(LogPlaceTest, FirstWritableFolder) {
  const PlaceCase& c = GetParam();
  testing::FakePlatform platform;
  platform.unwritable = c.unwritable;
  platform.environment = c.environment;
  const auto log = Open(platform);
  ASSERT_EQ(log.has_value(), c.folder.has_value());
  ASSERT_FALSE(platform.traces.empty());
  EXPECT_TRUE(platform.traces.back().starts_with(c.last_trace)) << Utf8(platform.traces.back());
  if (!log) {
    EXPECT_EQ(platform.contents, Files{});  // nothing written anywhere
    return;
  }
  EXPECT_TRUE(log->path.starts_with(*c.folder)) << Utf8(log->path);
  EXPECT_TRUE(log->path.ends_with(u"\\logs\\server.log")) << Utf8(log->path);
  EXPECT_EQ(platform.contents, (Files{{log->path, kHeader}}));
  EXPECT_EQ(log->start, kHeader.size());
}

// clang-format off
const PlaceCase kPlaces[] = {
    {.name = "LauncherFolder", .folder = kLogs, .last_trace = u"log: " + kLogs + u"server.log"},
    {.name = "LocalAppDataWhenTheFolderIsNotWritable", .unwritable = {kFolder},
     .folder = kLocal + u"\\Smeltra\\" + InstallationKey(kFolder) + u"\\logs\\", .last_trace = u"log: " + kLocal},
    {.name = "NoneWhenNeitherIsWritable", .unwritable = {kFolder, kLocal},
     .last_trace = u"log: none, the server starts without one"},
    {.name = "NeverARelativeLocalAppData", .unwritable = {kFolder},
     .environment = {{u"LOCALAPPDATA", u"AppData"}},
     .last_trace = u"log: none, the server starts without one"},
    {.name = "TurnedOffInAnyCase", .environment = {{u"SMELTRA_SERVER_LOG", u"oFF"}},
     .last_trace = u"log: turned off by SMELTRA_SERVER_LOG"},
    {.name = "AnyOtherValueLeavesItOn", .environment = {{u"SMELTRA_SERVER_LOG", u"offf"}},
     .folder = kLogs, .last_trace = u"log: " + kLogs + u"server.log"}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, LogPlaceTest, ::testing::ValuesIn(kPlaces),
                         [](const auto& test) { return std::string(test.param.name); });

// The roll: each earlier run one name on and the oldest out. A last run
// still held moves nothing, however many runs are kept, and an earlier run
// held stops the roll; either way this run appends to the last.
struct RollCase {
  const char* name;
  Files before;  // by name in the log folder
  std::set<std::u16string> held = {};
  Files after;
};

class LogRollTest : public ::testing::TestWithParam<RollCase> {};

TEST_P(LogRollTest, KeepsTheLastRuns) {
  const RollCase& c = GetParam();
  testing::FakePlatform platform;
  for (const auto& [name, bytes] : c.before) platform.contents[kLogs + name] = bytes;
  for (const auto& name : c.held) platform.held.insert(kLogs + name);
  const auto log = Open(platform);
  ASSERT_TRUE(log);
  EXPECT_EQ(InLogs(platform), c.after);
  EXPECT_EQ(log->start, c.after.at(u"server.log").size());
}

// clang-format off
const RollCase kRolls[] = {
    {.name = "FullSetLosesTheOldest",
     .before = {{u"server.log", "0"}, {u"server.1.log", "1"}, {u"server.2.log", "2"},
                {u"server.3.log", "3"}, {u"server.4.log", "4"}},
     .after = {{u"server.log", kHeader}, {u"server.1.log", "0"}, {u"server.2.log", "1"},
               {u"server.3.log", "2"}, {u"server.4.log", "3"}}},
    {.name = "GapsMoveOnToo", .before = {{u"server.log", "0"}, {u"server.2.log", "2"}},
     .after = {{u"server.log", kHeader}, {u"server.1.log", "0"}, {u"server.3.log", "2"}}},
    {.name = "OthersLeftAlone", .before = {{u"server.9.log", "9"}, {u"server.log.1", "x"}},
     .after = {{u"server.log", kHeader}, {u"server.9.log", "9"}, {u"server.log.1", "x"}}},
    {.name = "HeldLastRunMovesNothing",
     .before = {{u"server.log", "0"}, {u"server.1.log", "1"}, {u"server.4.log", "4"}},
     .held = {u"server.log"},
     .after = {{u"server.log", "0" + kHeader}, {u"server.1.log", "1"}, {u"server.4.log", "4"}}},
    {.name = "HeldEarlierRunStopsTheRoll",
     .before = {{u"server.log", "0"}, {u"server.1.log", "1"}, {u"server.3.log", "3"}},
     .held = {u"server.1.log"},
     .after = {{u"server.log", "0" + kHeader}, {u"server.1.log", "1"}, {u"server.4.log", "3"}}}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, LogRollTest, ::testing::ValuesIn(kRolls),
                         [](const auto& test) { return std::string(test.param.name); });

// What the box quotes: this run's last lines, read as they were written.
struct TailCase {
  const char* name;
  std::string written;  // by the runtime, after its header
  std::u16string tail;
};

class LogTailTest : public ::testing::TestWithParam<TailCase> {};

TEST_P(LogTailTest, LastLinesAsWritten) {
  const TailCase& c = GetParam();
  testing::FakePlatform platform;
  platform.contents[kLogs + u"server.log"] = "an earlier run\r\n";
  const auto log = Open(platform);
  ASSERT_TRUE(log);
  platform.contents[log->path] += c.written;
  EXPECT_EQ(LogTail(platform, *log), c.tail);
}

std::string Repeated(const std::string& text, int times) {
  std::string repeated;
  while (times-- > 0) repeated += text;
  return repeated;
}
std::string Lines(int from, int to) {
  std::string lines;
  for (int line = from; line <= to; ++line) lines += "at line " + std::to_string(line) + "\r\n";
  return lines;
}
std::u16string Tail(int from, int to) {
  std::u16string lines;
  for (int line = from; line <= to; ++line)
    lines += (line == from ? u"" : u"\r\n") + (u"at line " + Decimal(line));
  return lines;
}

// clang-format off
const TailCase kTails[] = {
    {.name = "OnlyBlankLines", .written = "\r\n \n", .tail = u""},
    {.name = "CrLfAndLfAlike", .written = "Error: a\r\nCaused by: b\n\n", .tail = u"Error: a\r\nCaused by: b"},
    {.name = "NoClosingLineBreak", .written = "one\ntwo", .tail = u"one\r\ntwo"},
    {.name = "Utf8", .written = "Fehler: Klasse \xC3\xA4\xE2\x82\xAC nicht gefunden",
     .tail = u"Fehler: Klasse \u00E4\u20AC nicht gefunden"},
    {.name = "SystemCodePage", .written = "Fehler: Klasse \xE4 nicht gefunden",
     .tail = u"Fehler: Klasse \u00E4 nicht gefunden"},
    {.name = "LastLinesOnly", .written = Lines(1, 20), .tail = Tail(9, 20)},
    {.name = "CutLineDropped", .written = std::string(3000, 'x') + "\n" + Lines(1, 2),
     .tail = Tail(1, 2)},
    // The last kTailBytes begin inside an "\u00E4".
    {.name = "CutLineKeptFromItsFirstWholeCharacter", .written = Repeated("\xC3\xA4", 1500) + "z",
     .tail = std::u16string(kTailBytes / 2 - 1, u'\u00E4') + u"z"}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, LogTailTest, ::testing::ValuesIn(kTails),
                         [](const auto& test) { return std::string(test.param.name); });

// The roll while the runtime writes: at the first line end once server.log
// has reached its size (here 40 bytes), wherever the pipe cuts the output,
// each new server.log opened by its header line and every byte in the log
// once, in order. A held server.log grows, traced once, until a later chunk
// finds it free.
struct PumpCase {
  const char* name;
  std::vector<std::string> chunks;
  Files after;
  std::size_t held_for = 0;  // chunks taken while server.log is held
};

class LogPumpTest : public ::testing::TestWithParam<PumpCase> {};

TEST_P(LogPumpTest, RollsAtTheFirstLineEndPastTheSize) {
  const PumpCase& c = GetParam();
  testing::FakePlatform platform;
  platform.contents[kLogs + u"server.log"] = "run\r\n";
  if (c.held_for > 0) platform.held.insert(kLogs + u"server.log");
  LogPump pump(platform, {kLogs + u"server.log", 5}, u"h", 40);
  for (std::size_t chunk = 0; chunk < c.chunks.size(); ++chunk) {
    if (chunk == c.held_for) platform.held.clear();
    pump.Take(c.chunks[chunk]);
  }
  EXPECT_EQ(InLogs(platform), c.after);
  EXPECT_EQ(platform.traces.size(), c.held_for > 0 ? 1u : 0u);
}

const std::string kRun = "run\r\n" + std::string(30, 'a') + "\n";  // 36 bytes
const std::string kNewHeader = "2026-12-07 21:04:33 h\r\n";        // 23 bytes
// Lines of 7 bytes: "line a\n", "line b\n"...
std::string Letters(char from, char to) {
  std::string lines;
  for (char letter = from; letter <= to; ++letter) lines += std::string("line ") + letter + "\n";
  return lines;
}

// clang-format off
const PumpCase kPumps[] = {
    {.name = "LineEndPastTheSizeInALaterChunk", .chunks = {kRun.substr(5), "x\nyyyy", "yyyy\nz\n"},
     .after = {{u"server.1.log", kRun + "x\nyyyyyyyy\n"}, {u"server.log", kNewHeader + "z\n"}}},
    // 40 bytes exactly at "line e", 44 in each new file; the first run's file goes.
    {.name = "ManyLinesInOneChunkLastFiveKept", .chunks = {Letters('a', 'q')},
     .after = {{u"server.4.log", kNewHeader + Letters('f', 'h')}, {u"server.3.log", kNewHeader + Letters('i', 'k')},
               {u"server.2.log", kNewHeader + Letters('l', 'n')}, {u"server.1.log", kNewHeader + Letters('o', 'q')},
               {u"server.log", kNewHeader}}},
    {.name = "CrLfAcrossChunks", .chunks = {kRun.substr(5), "abc\r", "\nd\r\n"},
     .after = {{u"server.1.log", kRun + "abc\r\n"}, {u"server.log", kNewHeader + "d\r\n"}}},
    {.name = "LineLongerThanTheSizeNotCut",
     .chunks = {"a\n", std::string(50, 'x'), std::string(50, 'x'), "\nnext\n"},
     .after = {{u"server.1.log", "run\r\na\n" + std::string(100, 'x') + "\n"},
               {u"server.log", kNewHeader + "next\n"}}},
    {.name = "HeldGrowsUntilALaterChunk", .chunks = {kRun.substr(5), "bbbb\n", "cc\n", "dd\nee\n"},
     .after = {{u"server.1.log", kRun + "bbbb\ncc\ndd\n"}, {u"server.log", kNewHeader + "ee\n"}},
     .held_for = 3},
    {.name = "EndsMidLine", .chunks = {kRun.substr(5), "bbbb\nta", "il"},
     .after = {{u"server.1.log", kRun + "bbbb\n"}, {u"server.log", kNewHeader + "tail"}}}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, LogPumpTest, ::testing::ValuesIn(kPumps),
                         [](const auto& test) { return std::string(test.param.name); });

}  // namespace
}  // namespace smeltra
