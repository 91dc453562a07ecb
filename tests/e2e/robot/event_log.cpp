#include "event_log.h"

#include <stdexcept>

namespace smeltra::robot {
namespace {

HANDLE CreateReport(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("cannot create the report file");
  return file;
}

}  // namespace

EventLog::EventLog(const std::wstring& path) : file_(CreateReport(path)) {
  QueryPerformanceFrequency(&frequency_);
  StartClock();
}

void EventLog::StartClock() { QueryPerformanceCounter(&start_); }

double EventLog::Elapsed() const {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
         static_cast<double>(frequency_.QuadPart);
}

void EventLog::Write(JsonObject event, double t) {
  const std::lock_guard lock(mutex_);
  event.Add("t", t);
  const std::string line = event.Text() + "\n";
  DWORD written = 0;
  WriteFile(file_.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

}  // namespace smeltra::robot
