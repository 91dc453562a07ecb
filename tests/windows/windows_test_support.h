#pragma once

// Helpers for the tests that run against the real Win32 API (under Wine on
// the build machine): scratch folders, helper programs, waiting with a hard
// time limit.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>

#include "launcher/windows/platform/launcher_folder.h"
#include "launcher/windows/platform/unique_handles.h"
#include "registry/windows/wide_text.h"

namespace smeltra::testing {

// A name no other run of the suite uses at the same time.
inline std::wstring UniqueName(std::wstring_view stem) {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return std::wstring(stem) + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(now.QuadPart);
}

// A folder under the system's temporary folder, removed with its contents
// when the owner goes.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::wstring_view stem = L"smeltra-test") {
    std::wstring temp(MAX_PATH + 1, L'\0');
    temp.resize(GetTempPathW(static_cast<DWORD>(temp.size()), temp.data()));
    path_ = std::filesystem::path(temp) / UniqueName(stem);
    std::filesystem::create_directories(path_);
    // The temporary folder may be given in its short form; tests compare
    // against what the system reports, which is the long one.
    std::wstring full(32768, L'\0');
    full.resize(GetLongPathNameW(path_.c_str(), full.data(), static_cast<DWORD>(full.size())));
    if (!full.empty()) path_ = full;
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(L"\\\\?\\" + path_.wstring()), ignored);
  }

  const std::filesystem::path& path() const { return path_; }
  std::wstring wide() const { return path_.wstring(); }

  // Creates `relative` (and the folders on the way) and gives its full path.
  std::wstring MakeFolder(std::wstring_view relative) const {
    const std::filesystem::path folder = path_ / relative;
    std::filesystem::create_directories(folder);
    return folder.wstring();
  }

 private:
  std::filesystem::path path_;
};

// A program built beside the test executable (or `relative_path` from it).
inline std::wstring HelperProgram(std::wstring_view relative_path) {
  std::wstring path = ModuleFileName(nullptr);
  path.resize(path.find_last_of(L'\\') + 1);
  path += relative_path;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  std::wstring full(32768, L'\0');
  full.resize(
      GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr));
  return full;
}

inline void CopyProgram(const std::wstring& from, const std::wstring& to) {
  if (!CopyFileW(from.c_str(), to.c_str(), FALSE)) {
    FAIL() << "cannot copy " << Narrow(from) << " to " << Narrow(to) << ": " << GetLastError();
  }
}

// The whole file as bytes (UTF-8 text), or nothing when it cannot be read
// yet. Opens it shared, so a writer may still have it open.
inline std::optional<std::string> ReadWholeFile(const std::wstring& path) {
  const UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string text;
  char chunk[4096];
  DWORD read = 0;
  while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0) {
    text.append(chunk, read);
  }
  return text;
}

// Polls `done` until it is true or `limit` has passed; true when it came true.
template <class Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Runs `command_line` (with `program` as the executable when given), waits
// for it with a hard limit and gives its exit status; fails the test and
// gives nothing when it cannot be started or does not end in time.
inline std::optional<DWORD> RunAndWait(const std::wstring& program, std::wstring command_line,
                                       const std::wstring& working_folder = {},
                                       DWORD limit_ms = 20000) {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  UniqueProcessInformation process;
  if (!CreateProcessW(program.empty() ? nullptr : program.c_str(), command_line.data(), nullptr,
                      nullptr, FALSE, 0, nullptr,
                      working_folder.empty() ? nullptr : working_folder.c_str(), &startup,
                      process.put())) {
    ADD_FAILURE() << "cannot start " << Narrow(command_line) << ": " << GetLastError();
    return std::nullopt;
  }
  if (WaitForSingleObject(process.process(), limit_ms) != WAIT_OBJECT_0) {
    TerminateProcess(process.process(), 99);
    ADD_FAILURE() << Narrow(command_line) << " did not end within " << limit_ms << " ms";
    return std::nullopt;
  }
  DWORD status = 0;
  GetExitCodeProcess(process.process(), &status);
  return status;
}

// Sets an environment variable of this process (and so of the programs it
// starts) for the owner's lifetime, then puts the old value back.
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(std::wstring name, const std::wstring& value) : name_(std::move(name)) {
    const DWORD size = GetEnvironmentVariableW(name_.c_str(), nullptr, 0);
    if (size > 0) {
      std::wstring old(size, L'\0');
      old.resize(GetEnvironmentVariableW(name_.c_str(), old.data(), size));
      old_ = std::move(old);
    }
    SetEnvironmentVariableW(name_.c_str(), value.c_str());
  }
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;
  ~ScopedEnvironmentVariable() {
    SetEnvironmentVariableW(name_.c_str(), old_ ? old_->c_str() : nullptr);
  }

 private:
  std::wstring name_;
  std::optional<std::wstring> old_;
};

}  // namespace smeltra::testing
