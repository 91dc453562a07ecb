#pragma once

#include <windows.h>

#include <map>
#include <thread>

#include "event_log.h"

namespace smeltra::robot {

// Watches, every few milliseconds on a thread of its own, which top-level
// windows of one process are visible, and reports each change as a "shown"
// or "gone" event (with class and title), and the process's end as "exited"
// with its status. Stops when destroyed. `process` must outlive the watch.
class WindowWatch {
 public:
  WindowWatch(EventLog& log, DWORD pid, HANDLE process);
  WindowWatch(const WindowWatch&) = delete;
  WindowWatch& operator=(const WindowWatch&) = delete;
  ~WindowWatch() = default;  // the jthread asks the loop to stop and joins

 private:
  void Poll(std::map<HWND, bool>& visible, bool& exited);

  EventLog& log_;
  DWORD pid_;
  HANDLE process_;
  std::jthread thread_;
};

}  // namespace smeltra::robot
