#pragma once

// What the tests against the real Win32 API share: scratch folders, and
// copies of the end-to-end robot standing in for the programs a test starts
// (a copy not named robot.exe records how it was started, see
// tests/e2e/robot.cpp).

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace smeltra::testing {

template <class Condition>
bool WaitUntil(Condition done, int seconds) {
  for (int i = 0; i < seconds * 100 && !done(); ++i) Sleep(10);
  return done();
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

// A fresh folder in the temporary folder, removed with its contents after.
class ScratchFolder {
 public:
  ScratchFolder() {
    path_ = std::filesystem::temp_directory_path() / UniqueName();
    std::filesystem::create_directories(path_);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::wstring path() const { return path_.wstring(); }
  std::wstring Folder(const std::wstring& relative) const {
    std::filesystem::create_directories(path_ / relative);
    return (path_ / relative).wstring();
  }

 private:
  std::filesystem::path path_;
};

// A copy of the robot at `to`, with the folders on the way.
inline bool CopyRobot(const std::filesystem::path& to) {
  std::error_code error;
  std::filesystem::create_directories(to.parent_path(), error);
  const auto robot = std::filesystem::path(ThisProgram()).replace_filename(L"robot.exe");
  return CopyFileW(robot.c_str(), to.c_str(), TRUE);
}

// Where the tests' robot copies record how they started, for the whole run.
inline const std::wstring& RecordFile() {
  static const ScratchFolder records;
  static const std::wstring file = [] {
    const std::wstring name = records.path() + L"\\record";
    SetEnvironmentVariableW(L"SMELTRA_RECORD", name.c_str());
    return name;
  }();
  return file;
}

// How a robot copy was started, as it recorded it: its program, command line,
// current folder, wShowWindow ("default" without STARTF_USESHOWWINDOW), then
// CommandLineToArgvW's arguments. Waits up to 20 s; empty when nothing came.
inline std::vector<std::wstring> TakeStartRecord() {
  std::wstring line;
  WaitUntil(
      [&] {
        std::ifstream in(std::filesystem::path(RecordFile()), std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), {}};
        line.assign(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
        return line.ends_with(L'\n');
      },
      20);
  DeleteFileW(RecordFile().c_str());
  std::vector<std::wstring> fields(1);  // the time and "started" first
  for (std::size_t i = 0; i + 1 < line.size(); ++i) {
    if (line[i] == L'\\') {
      fields.back() += L"\\\t\r\n"[std::wstring_view(L"\\trn").find(line[++i])];
    } else if (line[i] == L'\t') {
      fields.emplace_back();
    } else {
      fields.back() += line[i];
    }
  }
  return fields.size() > 2 ? std::vector(fields.begin() + 2, fields.end())
                           : std::vector<std::wstring>{};
}

}  // namespace smeltra::testing
