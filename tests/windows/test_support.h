#pragma once

// What the tests against the real Win32 API share: unique names and scratch
// folders.

#include <windows.h>

#include <filesystem>
#include <string>

namespace smeltra::testing {

// A name no other run uses at the same time.
inline std::wstring UniqueName() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return L"SmeltraTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(now.QuadPart);
}

// A fresh folder in the temporary folder, removed with its contents after.
struct ScratchFolder {
  ScratchFolder() { std::filesystem::create_directories(folder); }
  ScratchFolder(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }
  std::wstring path() const { return folder.wstring(); }
  const std::filesystem::path folder = std::filesystem::temp_directory_path() / UniqueName();
};

}  // namespace smeltra::testing
