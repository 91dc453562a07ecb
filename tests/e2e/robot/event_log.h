#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "json_line.h"
#include "unique_handle.h"

namespace smeltra::robot {

// The robot's report: one JSON object a line, each stamped with "t", the
// milliseconds since the clock was started (the launch of the program under
// test). Safe to write from several threads; every line reaches the file at
// once, so a robot that dies leaves what it saw.
class EventLog {
 public:
  // Throws std::runtime_error when the file cannot be created.
  explicit EventLog(const std::wstring& path);

  void StartClock();
  double Elapsed() const;
  void Write(JsonObject event) { Write(std::move(event), Elapsed()); }
  // For an event seen at `t` but written later.
  void Write(JsonObject event, double t);

 private:
  KernelHandle file_;
  LARGE_INTEGER frequency_{};
  LARGE_INTEGER start_{};
  std::mutex mutex_;
};

}  // namespace smeltra::robot
