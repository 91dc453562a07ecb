#include "launcher/server_log.h"

#include <algorithm>
#include <vector>

#include "common/launcher_error.h"
#include "common/text.h"
#include "launcher/messages.h"
#include "launcher/path_text.h"

namespace smeltra {
namespace {

// The run's name in a log folder, `run` runs ago: server.log, server.1.log...
std::u16string LogFileName(int run) {
  return run == 0 ? u"server.log" : u"server." + Decimal(run) + u".log";
}

std::vector<std::u16string> LogFolders(Platform& platform, std::u16string_view launcher_folder,
                                       std::u16string_view key) {
  std::vector<std::u16string> folders{Joined(launcher_folder, u"logs")};
  const auto local = platform.EnvironmentVariable(u"LOCALAPPDATA");
  if (local && IsAbsolute(*local)) {
    folders.push_back(Joined(*local, u"Smeltra\\" + std::u16string(key) + u"\\logs"));
  }
  return folders;
}

bool LogTurnedOff(Platform& platform) {
  const bool off = EqualsIgnoringAsciiCase(
      platform.EnvironmentVariable(kLogSwitchVariable).value_or(u""), u"off");
  if (off) platform.Trace(u"log: turned off by " + std::u16string(kLogSwitchVariable));
  return off;
}

}  // namespace

std::optional<std::u16string> RollLogs(Platform& platform, const std::u16string& folder) {
  // The last run goes first, to a name of its own: while a program still
  // writes it (one the server started inherits it) it cannot move, and then
  // nothing else moves either, so that no run is lost however often the roll
  // finds it held. An older run that cannot move (a viewer that holds it
  // without letting it be renamed) stops the roll there and the last run
  // goes back.
  const std::u16string last = Joined(folder, LogFileName(0));
  const std::u16string rolling = last + u".roll";
  std::u16string from = last;
  try {
    if (!platform.MoveFile(last, rolling)) return std::nullopt;
    for (int run = kKeptRuns - 1; run > 1; --run) {
      from = Joined(folder, LogFileName(run - 1));
      platform.MoveFile(from, Joined(folder, LogFileName(run)));
    }
    from = rolling;
    platform.MoveFile(rolling, Joined(folder, LogFileName(1)));
    return std::nullopt;
  } catch (const LauncherError& error) {
    if (from != last) platform.MoveFile(rolling, last);
    return from + u": " + error.description();
  }
}

std::u16string RunHeader(std::u16string_view program, std::u16string_view command_line) {
  return std::u16string(messages::kLogHeader[0]) + std::u16string(program) +
         std::u16string(messages::kLogHeader[1]) + std::u16string(command_line);
}

std::string HeaderLine(Platform& platform, std::u16string_view text) {
  return Utf8(platform.LocalTime() + u" " + std::u16string(text)) + "\r\n";
}

std::optional<ServerLog> OpenServerLog(Platform& platform, std::u16string_view launcher_folder,
                                       std::u16string_view key, std::u16string_view program,
                                       std::u16string_view command_line) {
  try {
    if (LogTurnedOff(platform)) return std::nullopt;
    const std::string header = HeaderLine(platform, RunHeader(program, command_line));
    for (const std::u16string& folder : LogFolders(platform, launcher_folder, key)) {
      const std::u16string path = Joined(folder, LogFileName(0));
      try {
        if (const auto held = RollLogs(platform, folder))
          platform.Trace(u"log: not rolled, so this run appends: " + *held);
        const auto file = platform.OpenToAppend(path);
        platform.Append(*file, header);
        platform.Trace(u"log: " + path);
        return ServerLog{path, platform.SizeOf(*file)};
      } catch (const LauncherError& error) {
        platform.Trace(u"log: " + path + u" cannot be written: " + error.description());
      }
    }
    platform.Trace(u"log: none, the server starts without one");
  } catch (const std::exception&) {
    platform.Trace(u"log: none, out of memory");
  }
  return std::nullopt;
}

void NoteInLog(Platform& platform, std::u16string_view launcher_folder, std::u16string_view key,
               std::u16string_view text) {
  try {
    platform.Trace(u"not shown: " + std::u16string(text));
    if (LogTurnedOff(platform)) return;
    const std::string line =
        HeaderLine(platform, std::u16string(messages::kNotShown) + std::u16string(text));
    for (const std::u16string& folder : LogFolders(platform, launcher_folder, key)) {
      try {
        platform.Append(*platform.OpenToAppend(Joined(folder, LogFileName(0))), line);
        return;
      } catch (const LauncherError& error) {
        platform.Trace(u"log: " + folder + u" cannot be written: " + error.description());
      }
    }
  } catch (const std::exception&) {
    platform.Trace(u"log: none, out of memory");
  }
}

std::optional<std::u16string> LogTail(Platform& platform, const ServerLog& log) {
  std::string bytes;
  try {
    bytes = platform.ReadFileEnd(log.path, log.start, kTailBytes).value_or("");
  } catch (const LauncherError& error) {
    platform.Trace(u"log: " + log.path + u" cannot be read: " + error.description());
    return std::nullopt;
  }
  std::string_view tail = bytes;
  if (tail.size() > kTailBytes) {
    // Cut: the first line is likely a part of one, and may begin inside a
    // character; only a line longer than the whole tail is kept in part.
    tail.remove_prefix(1);
    if (const auto end = tail.find('\n'); end != tail.npos && end + 1 < tail.size()) {
      tail.remove_prefix(end + 1);
    } else {
      while (!tail.empty() && (static_cast<std::uint8_t>(tail[0]) & 0xC0) == 0x80)
        tail.remove_prefix(1);
    }
  }
  std::u16string text;
  if (AppendFromUtf8(tail, text) < tail.size()) text = platform.FromSystemCodePage(tail);
  std::vector<std::u16string_view> lines;
  for (std::u16string_view rest = text; !rest.empty();) {
    const std::size_t end = std::min(rest.find(u'\n'), rest.size());
    std::u16string_view line = rest.substr(0, end);
    if (line.ends_with(u'\r')) line.remove_suffix(1);
    lines.push_back(line);
    rest.remove_prefix(std::min(end + 1, rest.size()));
  }
  while (!lines.empty() && lines.back().find_first_not_of(u" \t") == lines.back().npos)
    lines.pop_back();
  std::u16string joined;
  const std::size_t first = lines.size() - std::min(lines.size(), kTailLines);
  for (std::size_t i = first; i < lines.size(); ++i)
    joined.append(i == first ? u"" : u"\r\n").append(lines[i]);
  return joined;
}

}  // namespace smeltra
