#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "launcher/user_interface.h"

namespace smeltra::testing {

// Thrown where the program would end. Deliberately not a std::exception, so
// that no handler of the launcher can take it for an error of the search.
struct ProgramEnded {
  ExitCode code;
};

// Records every box the start-up shows, in order, and ends by throwing.
class RecordingUserInterface final : public UserInterface {
 public:
  void ShowMessage(std::string_view prompt) override { messages.emplace_back(prompt); }
  [[noreturn]] void EndProgram(ExitCode code) override { throw ProgramEnded{code}; }

  std::vector<std::string> messages;
};

}  // namespace smeltra::testing
