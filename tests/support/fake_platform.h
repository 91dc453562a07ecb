#pragma once

#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "launcher/platform.h"
#include "registry/launcher_error.h"

namespace smeltra::testing {

// Thrown where the program would end. Deliberately not a std::exception, so
// that no handler of the launcher can take it for an error of the search.
struct ProgramEnded {
  ExitCode code;
};

// Records every box and every start, in order; files exist when listed.
class FakePlatform final : public Platform {
 public:
  void ShowMessage(std::u16string_view prompt) override { messages.emplace_back(prompt); }
  [[noreturn]] void EndProgram(ExitCode code) override { throw ProgramEnded{code}; }
  bool FileExists(const std::u16string& path) override { return files.contains(path); }
  std::u16string ExecutablePath() override {
    if (path_error) throw *path_error;
    return executable;
  }
  void StartHidden(const std::u16string& line, const std::u16string& folder) override {
    if (start_error) throw *start_error;
    starts.emplace_back(line, folder);
  }

  std::vector<std::u16string> messages;
  std::set<std::u16string> files;
  std::u16string executable = u"C:\\Smeltra\\Smeltra.exe";
  std::optional<LauncherError> path_error;
  std::optional<LauncherError> start_error;
  std::vector<std::pair<std::u16string, std::u16string>> starts;
};

}  // namespace smeltra::testing
