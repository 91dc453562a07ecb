#pragma once

#include <windows.h>

#include <memory>
#include <set>
#include <string>

#include "event_log.h"
#include "script.h"
#include "unique_handle.h"
#include "window_watch.h"

namespace smeltra::robot {

// A step that did not finish in time; the robot reports it and stops.
struct StepTimedOut {
  std::string what;
};

// Runs a script against one program that it launches itself, writing what it
// sees to the event log. It owns the launched process: whatever is still
// running when the robot is destroyed is terminated (and reported).
class Robot {
 public:
  Robot(EventLog& log, std::wstring report_path);
  Robot(const Robot&) = delete;
  Robot& operator=(const Robot&) = delete;
  ~Robot();

  // Throws StepTimedOut, or std::runtime_error for a malformed line.
  void Run(const ScriptLine& line);

 private:
  void Launch(const std::wstring& program, const std::wstring& folder);
  HWND WaitForWindow(const std::wstring& kind, DWORD timeout_ms);
  void WaitGone(HWND window, DWORD timeout_ms);
  void WaitExit(DWORD timeout_ms);
  void AnswerBoxes(DWORD timeout_ms, DWORD hold_ms, const std::wstring& watched_file,
                   const std::wstring& shot_path);
  HWND Current() const;

  EventLog& log_;
  std::wstring report_path_;
  KernelHandle process_;
  DWORD pid_ = 0;
  std::unique_ptr<WindowWatch> watch_;
  HWND current_ = nullptr;
  std::set<HWND> handled_windows_;  // windows already found or answered
};

}  // namespace smeltra::robot
