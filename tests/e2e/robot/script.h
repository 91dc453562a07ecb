#pragma once

#include <string>
#include <vector>

namespace smeltra::robot {

// One line of a robot script: a command and its arguments.
struct ScriptLine {
  int number = 0;  // counted from 1, for reports
  std::wstring command;
  std::vector<std::wstring> arguments;
};

// Reads a UTF-8 script: one command a line, fields separated by tabs; blank
// lines and lines starting with '#' are skipped. Throws std::runtime_error
// when the file cannot be read.
std::vector<ScriptLine> ReadScript(const std::wstring& path);

}  // namespace smeltra::robot
