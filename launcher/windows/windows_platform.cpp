#include "launcher/windows/windows_platform.h"

#include <algorithm>
#include <string>

#include "common/text.h"
#include "common/windows/unique_handles.h"
#include "common/windows/wide_text.h"
#include "launcher/messages.h"

namespace smeltra {

void WindowsPlatform::ShowMessage(std::u16string_view prompt) {
  // With no window of its own left, the box asks to come to the front so
  // that it is not hidden behind whatever window started the launcher.
  MessageBoxW(nullptr, AsWide(std::u16string(prompt)), LiteralAsWide(messages::kApplicationTitle),
              MB_OK | MB_SETFOREGROUND);
}

bool WindowsPlatform::FileExists(const std::u16string& path) {
  const DWORD attributes = GetFileAttributesW(AsWide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::optional<std::string> WindowsPlatform::ReadFile(const std::u16string& path,
                                                     std::size_t max_bytes) {
  const UniqueFile file(CreateFileW(AsWide(path), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD code = GetLastError();
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return std::nullopt;
    throw SystemError(code);
  }
  // Read to the end rather than trusting the size, which may change while the
  // file is read; one byte past the cap is enough to tell it is too long.
  constexpr std::size_t kChunk = 64 * 1024;
  std::string bytes;
  std::size_t read = 0;
  while (read <= max_bytes) {
    bytes.resize(read + std::min(kChunk, max_bytes + 1 - read));
    DWORD got = 0;
    if (!::ReadFile(file.get(), bytes.data() + read, static_cast<DWORD>(bytes.size() - read), &got,
                    nullptr)) {
      throw SystemError(GetLastError());
    }
    if (got == 0) break;
    read += got;
  }
  bytes.resize(read);
  return bytes;
}

std::u16string WindowsPlatform::ExecutablePath() {
  // The longest path Windows handles at all, with its terminator.
  constexpr DWORD kMaxChars = 32768;
  std::wstring path;
  for (DWORD size = MAX_PATH;; size *= 2) {
    path.resize(size);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), size);
    if (length == 0) throw SystemError(GetLastError());
    // A cut path fills the buffer exactly; older systems do not say so in
    // the last error, so the length alone decides.
    if (length < size) return FromWide(std::wstring_view(path.data(), length));
    if (size >= kMaxChars) throw SystemError(ERROR_INSUFFICIENT_BUFFER);
  }
}

namespace {

// Calls `get(buffer, size)`, which answers like GetEnvironmentVariableW: the
// length without the NUL when it fits, the size needed with it when not, 0 on
// failure; grows the buffer until the text fits. Empty on failure.
template <typename Get>
std::optional<std::u16string> GrowingText(Get get) {
  std::wstring text(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = get(text.data(), static_cast<DWORD>(text.size()));
    if (length == 0) return std::nullopt;
    if (length < text.size()) return FromWide(std::wstring_view(text.data(), length));
    text.resize(length);
  }
}

}  // namespace

std::optional<std::u16string> WindowsPlatform::EnvironmentVariable(std::u16string_view name) {
  const std::u16string key(name);
  SetLastError(ERROR_SUCCESS);
  auto value = GrowingText([&](wchar_t* buffer, DWORD size) {
    return GetEnvironmentVariableW(AsWide(key), buffer, size);
  });
  // A variable set to empty text also answers 0, without an error.
  if (!value && GetLastError() == ERROR_SUCCESS) return std::u16string();
  return value;
}

std::u16string WindowsPlatform::ExpandEnvironment(const std::u16string& text) {
  // ExpandEnvironmentStringsW counts the NUL in its answer, whether or not
  // the text fitted, so one more unit is asked for than it needs.
  return GrowingText([&](wchar_t* buffer, DWORD size) {
           const DWORD needed = ExpandEnvironmentStringsW(AsWide(text), buffer, size);
           return needed <= size ? needed - (needed > 0) : needed;
         })
      .value_or(text);
}

std::vector<std::u16string> WindowsPlatform::SystemFolders() {
  std::vector<std::u16string> folders;
  const auto system =
      GrowingText([](wchar_t* buffer, DWORD size) { return GetSystemDirectoryW(buffer, size); });
  const auto windows =
      GrowingText([](wchar_t* buffer, DWORD size) { return GetWindowsDirectoryW(buffer, size); });
  if (system) folders.push_back(*system);
  if (windows) folders.insert(folders.end(), {*windows + u"\\System", *windows});
  return folders;
}

void WindowsPlatform::Trace(std::u16string_view line) {
  const std::u16string text = u"Smeltra: " + std::u16string(line) + u"\n";
  OutputDebugStringW(AsWide(text));
}

std::optional<std::uint32_t> WindowsPlatform::StartHidden(const std::u16string& program,
                                                          const std::u16string& command_line,
                                                          const std::u16string& working_folder,
                                                          std::chrono::milliseconds watch) {
  // CreateProcessW may write into the command line, so it gets its own copy.
  std::wstring line(AsWide(command_line), command_line.size());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  UniqueProcessInformation process;
  // The launcher has no console, so Windows gives the runtime a new one, with
  // standard handles of its own, either way; said outright, Wine does the
  // same instead of handing on the launcher's standard handles, which would
  // keep a caller's pipe open for as long as the server runs.
  if (!CreateProcessW(AsWide(program), line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE,
                      nullptr, working_folder.empty() ? nullptr : AsWide(working_folder), &startup,
                      process.put())) {
    throw SystemError(GetLastError());
  }
  DWORD status = 0;
  if (WaitForSingleObject(process.get().hProcess, static_cast<DWORD>(watch.count())) !=
          WAIT_OBJECT_0 ||
      !GetExitCodeProcess(process.get().hProcess, &status)) {
    return std::nullopt;
  }
  return status;
}

LauncherError SystemError(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const UniqueLocalMemory owner(text);
  std::wstring_view message(text != nullptr ? text : L"", text != nullptr ? length : 0);
  message = message.substr(0, message.find_last_not_of(L" \t\r\n") + 1);
  if (message.empty()) {
    return LauncherError(u"Error " + Decimal(code) + u".");
  }
  return LauncherError(FromWide(message));
}

void HardenDllSearch() {
  // Looked up at run time so that the launcher still starts where the
  // function does not exist (it came with a later update of Windows 7).
  using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
  if (const HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll"); kernel32 != nullptr) {
    if (const FARPROC address = GetProcAddress(kernel32, "SetDefaultDllDirectories")) {
      reinterpret_cast<SetDefaultDllDirectoriesFunction>(reinterpret_cast<void*>(address))(
          LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
  }
  SetDllDirectoryW(L"");
}

}  // namespace smeltra
