// The Windows tests' program. Copies of it also stand in for the programs
// the tests start:
// with SMELTRA_TEST_RECORD set, each writes down how it was started (a
// java.exe copy only gets the server's arguments) and ends. Given
// `--load <dll> [harden]`, it first calls HardenDllSearch when asked, then
// loads the DLL by name, and adds whether it loaded to the record.

#include <windows.h>
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "launcher/windows/unique_handles.h"
#include "launcher/windows/windows_platform.h"
#include "tests/windows/test_support.h"

namespace smeltra::testing {
namespace {

int WriteRecord(const std::wstring& file) {
  int count = 0;
  const UniqueLocalMemory argv_memory(CommandLineToArgvW(GetCommandLineW(), &count));
  const std::vector<std::wstring> argv(static_cast<LPWSTR*>(argv_memory.get()),
                                       static_cast<LPWSTR*>(argv_memory.get()) + count);
  const bool load = count >= 3 && argv[1] == L"--load";
  if (load && count == 4 && argv[3] == L"harden") HardenDllSearch();
  const bool loaded = load && LoadLibraryW(argv[2].c_str()) != nullptr;
  STARTUPINFOW startup{};
  GetStartupInfoW(&startup);
  std::wstring folder(32768, L'\0');
  folder.resize(GetCurrentDirectoryW(32768, folder.data()));
  const bool shown = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
  // NULs apart, which no field can hold.
  std::wstring text = Wide(WindowsPlatform().ExecutablePath()) + L'\0' + GetCommandLineW() + L'\0' +
                      folder + L'\0' + (shown ? std::to_wstring(startup.wShowWindow) : L"none");
  for (const std::wstring& argument : argv) text += L'\0' + argument;
  if (load) text += std::wstring(1, L'\0') + (loaded ? L"loaded" : L"not loaded");
  // Whole under another name first, so that no test reads half a record.
  std::ofstream(std::filesystem::path(file + L".part"), std::ios::binary)
      .write(reinterpret_cast<const char*>(text.data()), std::streamsize(text.size() * 2));
  return MoveFileW((file + L".part").c_str(), file.c_str()) ? 0 : 1;
}

template <class Condition>
bool WaitUntil(Condition done, int seconds) {
  for (int i = 0; i < seconds * 100 && !done(); ++i) Sleep(10);
  return done();
}

BOOL CALLBACK AddControl(HWND control, LPARAM seen) {
  wchar_t kind[16]{};
  wchar_t text[512]{};
  GetClassNameW(control, kind, 16);
  GetWindowTextW(control, text, 512);
  const bool icon = (GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
  if (!IsWindowVisible(control) || (icon && SendMessageW(control, STM_GETICON, 0, 0) == 0)) {
    return TRUE;
  }
  reinterpret_cast<std::vector<std::wstring>*>(seen)->push_back(
      icon ? L"Icon" : std::wstring(kind) + L" " + text);
  return TRUE;
}

BOOL CALLBACK FindBox(HWND window, LPARAM found) {
  wchar_t kind[16]{};
  GetClassNameW(window, kind, 16);
  if (std::wstring_view(kind) != L"#32770" || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
}

}  // namespace

std::vector<std::wstring> TakeStartRecord() {
  const std::wstring file = RecordFile();
  if (!WaitUntil([&] { return GetFileAttributesW(file.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20)) {
    return {};
  }
  std::ifstream in(std::filesystem::path(file), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  in.close();
  DeleteFileW(file.c_str());
  const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / 2);
  std::vector<std::wstring> fields(1);
  for (const wchar_t c : text) {
    if (c == L'\0')
      fields.emplace_back();
    else
      fields.back().push_back(c);
  }
  return fields;
}

std::vector<std::wstring> ReadAndPressOk(DWORD thread, std::atomic<bool>* pressed) {
  HWND box = nullptr;
  if (!WaitUntil([&] { return !EnumThreadWindows(thread, FindBox, LPARAM(&box)) && box; }, 10)) {
    return {};
  }
  std::vector<std::wstring> seen;
  EnumChildWindows(box, AddControl, reinterpret_cast<LPARAM>(&seen));
  std::sort(seen.begin(), seen.end());
  wchar_t caption[256]{};
  GetWindowTextW(box, caption, 256);
  seen.insert(seen.begin(), caption);
  if (pressed != nullptr) *pressed = true;
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return seen;
}

}  // namespace smeltra::testing

int main(int argc, char** argv) {
  if (const std::wstring file = smeltra::testing::RecordFile(); !file.empty()) {
    return smeltra::testing::WriteRecord(file);
  }
  const smeltra::testing::ScratchFolder records;
  SetEnvironmentVariableW(L"SMELTRA_TEST_RECORD", (records.path() + L"\\record").c_str());
  const smeltra::ComApartment com;  // for the splash's picture
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
