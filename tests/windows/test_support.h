#pragma once

// Scratch folders, and copies of this test program started as helpers (see
// test_main.cpp), for the tests against the real Win32 API.

#include <windows.h>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace smeltra::testing {

inline std::wstring Wide(const std::u16string& text) {
  return std::wstring(reinterpret_cast<const wchar_t*>(text.data()), text.size());
}

// A name no other run uses at the same time.
inline std::wstring UniqueName() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return L"SmeltraTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(now.QuadPart);
}

inline std::wstring ThisProgram() {
  std::wstring path(32768, L'\0');
  path.resize(GetModuleFileNameW(nullptr, path.data(), 32768));
  return path;
}

// Makes `folder` and the folders on the way; false when it cannot be made.
inline bool MakeFolders(const std::wstring& folder) {
  for (std::size_t at = folder.find(L'\\', 3);; at = folder.find(L'\\', at + 1)) {
    const std::wstring part = folder.substr(0, at);
    const bool there = GetFileAttributesW(part.c_str()) != INVALID_FILE_ATTRIBUTES;
    if (!there && !CreateDirectoryW(part.c_str(), nullptr)) return false;
    if (at == std::wstring::npos) return true;
  }
}

inline bool CopyThisProgram(const std::wstring& to) {
  return MakeFolders(to.substr(0, to.find_last_of(L'\\'))) &&
         CopyFileW(ThisProgram().c_str(), to.c_str(), TRUE);
}

// A fresh folder below `parent`, by default the temporary folder in its long
// form (as the system reports it), removed with its contents afterwards.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::wstring parent = {}) {
    if (parent.empty()) {
      std::wstring temp(32768, L'\0');
      temp.resize(GetTempPathW(32768, temp.data()));
      parent.resize(32768);
      parent.resize(GetLongPathNameW(temp.c_str(), parent.data(), 32768));
    }
    path_ = (std::filesystem::path(parent) / UniqueName()).wstring();
    MakeFolders(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::wstring& path() const { return path_; }
  std::wstring Folder(const std::wstring& relative) const {
    MakeFolders(path_ + L"\\" + relative);
    return path_ + L"\\" + relative;
  }

 private:
  std::wstring path_;
};

// Whether the file system can name a folder with an unpaired surrogate (a
// real Windows can; Wine keeps names as UTF-8 and cannot).
inline bool FolderNamesHoldLoneSurrogates() {
  return MakeFolders(ScratchFolder().path() + L"\\\xD800");
}

inline std::wstring RecordFile() {
  std::wstring file(32768, L'\0');
  file.resize(GetEnvironmentVariableW(L"SMELTRA_TEST_RECORD", file.data(), 32768));
  return file;
}

// How a copy of this program was started, as it wrote it down when
// SMELTRA_TEST_RECORD named a file: its ExecutablePath, its command line,
// its current folder, wShowWindow ("none" without STARTF_USESHOWWINDOW), then
// CommandLineToArgvW's arguments (and the load's result). Waits for it up to 20 s; empty without.
std::vector<std::wstring> TakeStartRecord();

// Waits up to 10 s for a message box of `thread` and gives its caption and
// its visible controls ("Button OK", "Static <text>", "Icon"), sorted; sets
// `pressed` and presses OK. Empty when none came.
std::vector<std::wstring> ReadAndPressOk(DWORD thread, std::atomic<bool>* pressed = nullptr);

}  // namespace smeltra::testing
