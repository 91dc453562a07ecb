#pragma once

// Reads the records that the recording stand-in (recording_java.cpp, where
// the format is described) appends. Portable; no Windows headers.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace smeltra::testing {

struct StartRecord {
  std::string program;
  std::uint32_t process_id = 0;
  std::string command_line;
  std::string current_directory;
  std::uint32_t startup_flags = 0;
  std::uint32_t show_window = 0;
  std::vector<std::string> arguments;
};

inline std::string UnescapeRecordValue(std::string_view value) {
  std::string text;
  for (std::size_t i = 0; i < value.size(); ++i) {
    if (value.substr(i, 3) == "%25") {
      text.push_back('%');
      i += 2;
    } else if (value.substr(i, 3) == "%0D") {
      text.push_back('\r');
      i += 2;
    } else if (value.substr(i, 3) == "%0A") {
      text.push_back('\n');
      i += 2;
    } else {
      text.push_back(value[i]);
    }
  }
  return text;
}

// The complete records in `text`, oldest first. A record still being written
// (no `end` line yet) is left out; unknown keys are skipped.
inline std::vector<StartRecord> ParseStartRecords(std::string_view text) {
  std::vector<StartRecord> records;
  StartRecord current;
  bool inside = false;
  while (!text.empty()) {
    const std::size_t newline = text.find('\n');
    if (newline == std::string_view::npos) break;  // an unfinished line
    const std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline + 1);
    if (line == "begin") {
      current = StartRecord{};
      inside = true;
      continue;
    }
    if (!inside) continue;
    if (line == "end") {
      records.push_back(std::move(current));
      inside = false;
      continue;
    }
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = line.substr(0, equals);
    std::string value = UnescapeRecordValue(line.substr(equals + 1));
    if (key == "program") {
      current.program = std::move(value);
    } else if (key == "process_id") {
      current.process_id = static_cast<std::uint32_t>(std::stoul(value));
    } else if (key == "command_line") {
      current.command_line = std::move(value);
    } else if (key == "current_directory") {
      current.current_directory = std::move(value);
    } else if (key == "startup_flags") {
      current.startup_flags = static_cast<std::uint32_t>(std::stoul(value));
    } else if (key == "show_window") {
      current.show_window = static_cast<std::uint32_t>(std::stoul(value));
    } else if (key.starts_with("arg") && key != "argc") {
      current.arguments.push_back(std::move(value));
    }
  }
  return records;
}

}  // namespace smeltra::testing
