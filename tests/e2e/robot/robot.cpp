#include "robot.h"

#include <stdexcept>
#include <vector>

#include "screenshot.h"
#include "title_icon.h"
#include "user_input.h"
#include "window_probe.h"

namespace smeltra::robot {
namespace {

constexpr DWORD kPollMs = 10;
constexpr DWORD kBoxCloseTimeoutMs = 5000;
constexpr DWORD kPaintTimeoutMs = 1500;

int Number(const std::wstring& text) {
  std::size_t used = 0;
  const int value = std::stoi(text, &used, 0);
  if (used != text.size()) throw std::runtime_error("not a number: " + ToUtf8(text));
  return value;
}

DWORD Milliseconds(const std::wstring& text) { return static_cast<DWORD>(Number(text)); }

void NeedArguments(const ScriptLine& line, std::size_t count) {
  if (line.arguments.size() < count) {
    throw std::runtime_error("line " + std::to_string(line.number) + ": " + ToUtf8(line.command) +
                             " needs " + std::to_string(count) + " arguments");
  }
}

bool FileExists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::int64_t EpochMilliseconds() {
  FILETIME now{};
  GetSystemTimePreciseAsFileTime(&now);
  const std::uint64_t ticks = (std::uint64_t{now.dwHighDateTime} << 32) | now.dwLowDateTime;
  return static_cast<std::int64_t>((ticks - 116444736000000000ULL) / 10000ULL);
}

std::wstring SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text != nullptr ? text : L"", text != nullptr ? length : 0);
  LocalFree(text);
  message.erase(message.find_last_not_of(L" \t\r\n") + 1);
  return message;
}

bool IsShowing(HWND window) { return IsWindow(window) && IsWindowVisible(window); }

// A deadline that the waits below poll against.
class Deadline {
 public:
  explicit Deadline(DWORD timeout_ms) : end_(GetTickCount64() + timeout_ms) {}
  bool Passed() const { return GetTickCount64() >= end_; }

 private:
  ULONGLONG end_;
};

}  // namespace

Robot::Robot(EventLog& log, std::wstring report_path)
    : log_(log), report_path_(std::move(report_path)) {}

Robot::~Robot() {
  watch_.reset();
  if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    TerminateProcess(process_.get(), 255);
    WaitForSingleObject(process_.get(), 5000);
    JsonObject event;
    event.Add("ev", "killed");
    log_.Write(std::move(event));
  }
}

HWND Robot::Current() const {
  if (current_ == nullptr) throw std::runtime_error("no window chosen yet");
  return current_;
}

void Robot::Launch(const std::wstring& program, const std::wstring& folder) {
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  log_.StartClock();
  const std::int64_t epoch = EpochMilliseconds();
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &info)) {
    JsonObject event;
    event.Add("ev", "launch-failed").Add("error", static_cast<std::int64_t>(GetLastError()));
    log_.Write(std::move(event));
    throw std::runtime_error("the program could not be launched");
  }
  CloseHandle(info.hThread);
  process_ = KernelHandle(info.hProcess);
  pid_ = info.dwProcessId;
  JsonObject event;
  event.Add("ev", "launched").Add("pid", static_cast<std::int64_t>(pid_)).Add("epoch_ms", epoch);
  log_.Write(std::move(event));
  watch_ = std::make_unique<WindowWatch>(log_, pid_, process_.get());
}

HWND Robot::WaitForWindow(const std::wstring& kind, DWORD timeout_ms) {
  const bool want_box = kind == L"box";
  if (!want_box && kind != L"splash") throw std::runtime_error("unknown window kind");
  const Deadline deadline(timeout_ms);
  while (true) {
    for (HWND window : VisibleTopLevelWindows(pid_)) {
      if (IsDialog(window) == want_box && !handled_windows_.contains(window)) {
        JsonObject event;
        event.Add("ev", "found")
            .Add("kind", kind)
            .Add("hwnd", HandleText(window))
            .Add("class", ClassName(window))
            .Add("title", WindowText(window));
        log_.Write(std::move(event));
        // A splash is never taken for a box, nor found twice.
        handled_windows_.insert(window);
        return window;
      }
    }
    if (deadline.Passed()) throw StepTimedOut{"no " + ToUtf8(kind) + " window"};
    Sleep(kPollMs);
  }
}

void Robot::WaitGone(HWND window, DWORD timeout_ms) {
  const Deadline deadline(timeout_ms);
  while (IsShowing(window)) {
    if (deadline.Passed()) throw StepTimedOut{"the window stayed"};
    Sleep(kPollMs);
  }
  JsonObject event;
  event.Add("ev", "window-gone").Add("hwnd", HandleText(window));
  log_.Write(std::move(event));
}

void Robot::WaitExit(DWORD timeout_ms) {
  if (WaitForSingleObject(process_.get(), timeout_ms) != WAIT_OBJECT_0) {
    throw StepTimedOut{"the program did not end"};
  }
  DWORD status = 0;
  GetExitCodeProcess(process_.get(), &status);
  JsonObject event;
  event.Add("ev", "exit").Add("status", static_cast<std::int64_t>(status));
  log_.Write(std::move(event));
}

// Until the program ends: each box it shows is described, left alone for
// `hold_ms` (and then checked to be still there, with the program still
// running and `watched_file` still absent or present), then answered with OK.
void Robot::AnswerBoxes(DWORD timeout_ms, DWORD hold_ms, const std::wstring& watched_file,
                        const std::wstring& shot_path) {
  const Deadline deadline(timeout_ms);
  int count = 0;
  while (WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
    HWND box = nullptr;
    for (HWND window : VisibleTopLevelWindows(pid_)) {
      if (!handled_windows_.contains(window)) box = window;
    }
    if (box == nullptr) {
      if (deadline.Passed()) throw StepTimedOut{"the program neither ended nor showed a box"};
      Sleep(kPollMs);
      continue;
    }
    handled_windows_.insert(box);
    ++count;
    current_ = box;
    // Let the box lay itself out before reading it.
    Sleep(100);
    JsonObject described = DescribeWindow(box);
    described.Add("ev", "box").Add("index", count);
    log_.Write(std::move(described));
    if (count == 1 && !shot_path.empty()) {
      RECT rect{};
      GetWindowRect(box, &rect);
      SaveScreenArea(rect, shot_path);
    }
    Sleep(hold_ms);
    JsonObject held;
    held.Add("ev", "box-held")
        .Add("index", count)
        .Add("still_shown", IsShowing(box))
        .Add("program_running", WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT);
    if (!watched_file.empty()) held.Add("file_exists", FileExists(watched_file));
    log_.Write(std::move(held));
    if (!IsDialog(box) || !ClickOk(box)) {
      // Not a box with OK (say, a window the program should not show): the
      // close command is all a person could do.
      PostClose(box);
    }
    const Deadline closing(kBoxCloseTimeoutMs);
    while (IsShowing(box)) {
      if (closing.Passed()) throw StepTimedOut{"a box stayed after OK"};
      Sleep(kPollMs);
    }
    JsonObject closed;
    closed.Add("ev", "box-closed").Add("index", count);
    log_.Write(std::move(closed));
  }
  WaitExit(0);
}

void Robot::Run(const ScriptLine& line) {
  const std::wstring& command = line.command;
  const auto& args = line.arguments;
  if (command == L"env") {
    NeedArguments(line, 2);
    SetEnvironmentVariableW(args[0].c_str(), args[1].c_str());
  } else if (command == L"path-prepend") {
    NeedArguments(line, 1);
    wchar_t old_path[32767] = {};
    GetEnvironmentVariableW(L"PATH", old_path, 32767);
    const std::wstring path = args[0] + L";" + old_path;
    SetEnvironmentVariableW(L"PATH", path.c_str());
  } else if (command == L"launch") {
    NeedArguments(line, 2);
    Launch(args[0], args[1]);
  } else if (command == L"wait-window") {
    NeedArguments(line, 2);
    current_ = WaitForWindow(args[0], Milliseconds(args[1]));
  } else if (command == L"describe") {
    JsonObject described = DescribeWindow(Current());
    described.Add("ev", "describe");
    log_.Write(std::move(described));
  } else if (command == L"sleep") {
    NeedArguments(line, 1);
    Sleep(Milliseconds(args[0]));
  } else if (command == L"click" || command == L"post-click") {
    NeedArguments(line, 2);
    if (command == L"click") {
      const bool in_front = RealClick(Current(), Number(args[0]), Number(args[1]));
      JsonObject event;
      event.Add("ev", "input").Add("command", command).Add("in_front", in_front);
      log_.Write(std::move(event));
    } else {
      PostedClick(Current(), Number(args[0]), Number(args[1]));
    }
  } else if (command == L"key" || command == L"post-key") {
    NeedArguments(line, 1);
    const auto key = static_cast<WORD>(Number(args[0]));
    if (command == L"key") {
      const bool in_front = RealKey(Current(), key);
      JsonObject event;
      event.Add("ev", "input").Add("command", command).Add("in_front", in_front);
      log_.Write(std::move(event));
    } else {
      PostedKey(Current(), key);
    }
  } else if (command == L"close") {
    PostClose(Current());
  } else if (command == L"wait-gone") {
    NeedArguments(line, 1);
    WaitGone(Current(), Milliseconds(args[0]));
  } else if (command == L"wait-exit") {
    NeedArguments(line, 1);
    WaitExit(Milliseconds(args[0]));
  } else if (command == L"answer-boxes") {
    NeedArguments(line, 2);
    AnswerBoxes(Milliseconds(args[0]), Milliseconds(args[1]), args.size() > 2 ? args[2] : L"",
                args.size() > 3 ? args[3] : L"");
  } else if (command == L"check-file") {
    NeedArguments(line, 1);
    JsonObject event;
    event.Add("ev", "file").Add("path", args[0]).Add("exists", FileExists(args[0]));
    log_.Write(std::move(event));
  } else if (command == L"title-icon") {
    // A window's caption may be painted a moment after it shows.
    NeedArguments(line, 1);
    const Deadline deadline(kPaintTimeoutMs);
    JsonObject event = CheckTitleIcon(Current(), args[0]);
    while (event.Text().find("\"matched\":true") == std::string::npos && !deadline.Passed()) {
      Sleep(50);
      event = CheckTitleIcon(Current(), args[0]);
    }
    event.Add("ev", "title-icon");
    log_.Write(std::move(event));
  } else if (command == L"system-message") {
    // The system's own words for an error code, trimmed of the line break and
    // blanks it ends with, as a program shows it in a box.
    NeedArguments(line, 1);
    JsonObject event;
    event.Add("ev", "system-message")
        .Add("code", Number(args[0]))
        .Add("text", SystemMessage(static_cast<DWORD>(Number(args[0]))));
    log_.Write(std::move(event));
  } else if (command == L"shot") {
    NeedArguments(line, 1);
    RECT rect{};
    GetWindowRect(Current(), &rect);
    JsonObject event;
    event.Add("ev", "shot").Add("path", args[0]).Add("saved", SaveScreenArea(rect, args[0]));
    log_.Write(std::move(event));
  } else if (command == L"shot-client-area") {
    // A part of the current window's client area: left, top, right, bottom.
    NeedArguments(line, 5);
    RECT rect{Number(args[1]), Number(args[2]), Number(args[3]), Number(args[4])};
    MapWindowPoints(Current(), nullptr, reinterpret_cast<POINT*>(&rect), 2);
    JsonObject event;
    event.Add("ev", "shot").Add("path", args[0]).Add("saved", SaveScreenArea(rect, args[0]));
    log_.Write(std::move(event));
  } else if (command == L"shot-screen") {
    NeedArguments(line, 1);
    JsonObject event;
    event.Add("ev", "shot")
        .Add("path", args[0])
        .Add("saved", SaveScreenArea(WholeScreen(), args[0]));
    log_.Write(std::move(event));
  } else {
    throw std::runtime_error("line " + std::to_string(line.number) + ": unknown command " +
                             ToUtf8(command));
  }
}

}  // namespace smeltra::robot
