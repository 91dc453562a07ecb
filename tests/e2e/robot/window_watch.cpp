#include "window_watch.h"

#include <vector>

#include "window_probe.h"

namespace smeltra::robot {
namespace {

constexpr DWORD kPollIntervalMs = 5;

struct Collector {
  DWORD pid;
  std::map<HWND, bool>* now;
};

BOOL CALLBACK CollectWindow(HWND window, LPARAM context) {
  auto* collector = reinterpret_cast<Collector*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == collector->pid) (*collector->now)[window] = IsWindowVisible(window) != FALSE;
  return TRUE;
}

}  // namespace

WindowWatch::WindowWatch(EventLog& log, DWORD pid, HANDLE process)
    : log_(log), pid_(pid), process_(process) {
  thread_ = std::jthread([this](std::stop_token stop) {
    std::map<HWND, bool> visible;
    bool exited = false;
    while (!stop.stop_requested()) {
      Poll(visible, exited);
      Sleep(kPollIntervalMs);
    }
  });
}

void WindowWatch::Poll(std::map<HWND, bool>& visible, bool& exited) {
  std::map<HWND, bool> now;
  Collector collector{pid_, &now};
  EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&collector));
  // Asking a window for its text waits for its thread, which may be busy
  // painting; the events carry the time the change was seen.
  const double seen = log_.Elapsed();
  for (const auto& [window, is_visible] : now) {
    const auto before = visible.find(window);
    const bool was_visible = before != visible.end() && before->second;
    if (is_visible && !was_visible) {
      JsonObject event;
      event.Add("ev", "shown")
          .Add("hwnd", HandleText(window))
          .Add("class", ClassName(window))
          .Add("title", WindowText(window));
      log_.Write(std::move(event), seen);
    } else if (!is_visible && was_visible) {
      JsonObject event;
      event.Add("ev", "gone").Add("hwnd", HandleText(window)).Add("how", "hidden");
      log_.Write(std::move(event), seen);
    }
  }
  for (const auto& [window, was_visible] : visible) {
    if (was_visible && !now.contains(window)) {
      JsonObject event;
      event.Add("ev", "gone").Add("hwnd", HandleText(window)).Add("how", "destroyed");
      log_.Write(std::move(event), seen);
    }
  }
  visible = std::move(now);
  if (!exited && WaitForSingleObject(process_, 0) == WAIT_OBJECT_0) {
    exited = true;
    DWORD status = 0;
    GetExitCodeProcess(process_, &status);
    JsonObject event;
    event.Add("ev", "exited").Add("status", static_cast<std::int64_t>(status));
    log_.Write(std::move(event), seen);
  }
}

}  // namespace smeltra::robot
