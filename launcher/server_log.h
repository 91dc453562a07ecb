#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "launcher/platform.h"

// The server's log: the file its standard output and error go to, one a
// run, the earlier runs kept beside it. Where, why there, and the roll: the
// README, "The server's log".
namespace smeltra {

// Set to "off" (in any case), no log is written anywhere.
inline constexpr std::u16string_view kLogSwitchVariable = u"SMELTRA_SERVER_LOG";
// The runs a log folder keeps: this one and the four before it.
inline constexpr int kKeptRuns = 5;
// The most of a run's log the stopped-at-once box shows: its last lines, in
// no more than the last bytes.
inline constexpr std::size_t kTailLines = 12;
inline constexpr std::size_t kTailBytes = 2048;

// The log of one run: the file, and where in it the run's own output starts.
struct ServerLog {
  std::u16string path;
  std::uint64_t start = 0;
};

// Prepares this run's log and returns it: in the first of the log folders
// (`launcher_folder`\logs, then one named after the installation's `key`
// under the user's local application data) where a header line can be
// written, after
// the folder's earlier runs have moved one name on. Nothing when the log is
// turned off or no folder can be written. Traces each folder's fate; never
// throws, for no log is a reason not to start the server.
std::optional<ServerLog> OpenServerLog(Platform& platform, std::u16string_view launcher_folder,
                                       std::u16string_view key, std::u16string_view program,
                                       std::u16string_view command_line);

// Appends `text` after the time, as a line of its own, to server.log in the
// first log folder that takes it (OpenServerLog's, without a roll): the
// words of a box that no one could see. Traced; never throws.
void NoteInLog(Platform& platform, std::u16string_view launcher_folder, std::u16string_view key,
               std::u16string_view text);
// Moves each earlier log in `folder` one name on, server.log to
// server.1.log and so on, the oldest of kKeptRuns out, so that server.log
// can start afresh. Nothing when it did, or found no server.log; else the
// file it stopped at and why, in which case server.log is where it was.
std::optional<std::u16string> RollLogs(Platform& platform, const std::u16string& folder);

// The text that follows the time in a run's first line: the runtime started
// and its command line.
std::u16string RunHeader(std::u16string_view program, std::u16string_view command_line);

// A log file's first line, UTF-8 with its line break: the local time, then
// `text`.
std::string HeaderLine(Platform& platform, std::u16string_view text);

// The last lines the run wrote to its log (at most kTailLines, from the last
// kTailBytes), CRLF between them: read as UTF-8 where they are UTF-8, in the
// system's code page otherwise. Empty when it wrote nothing; nothing when the
// log cannot be read (traced).
std::optional<std::u16string> LogTail(Platform& platform, const ServerLog& log);

}  // namespace smeltra
