#pragma once

#include <windows.h>

#include "common/launcher_error.h"
#include "common/windows/unique_handles.h"
#include "launcher/platform.h"

namespace smeltra {

// The launcher's platform on Windows. Message boxes have no owner window
// (the splash is gone by the time any is shown). The process start gives the
// runtime a console that has no window (CREATE_NO_WINDOW), which its own
// console children share, with SW_HIDE for any window it shows by default,
// and hands it its standard handles and the installation's claim alone; it
// and what it starts are one job, named after it, which a stop ends. Locks
// are named mutexes and the claim a named file mapping that holds the
// server's process id and creation time, all in the user's session; the
// objects handed to portable code own their handles. Trace lines go to
// OutputDebugStringW, prefixed "Smeltra: ". Files are read letting others
// read and write them meanwhile, as an editor that has one open expects; the
// server's output file is shared for reading and writing too, but not for
// moving or deleting, so that no roll moves a log while it is written.
class WindowsPlatform final : public Platform {
 public:
  bool CanShowWindows() override;
  void ShowMessage(std::u16string_view prompt) override;
  bool FileExists(const std::u16string& path) override;
  std::optional<std::string> ReadFile(const std::u16string& path, std::size_t max_bytes) override;
  std::u16string ExecutablePath() override;
  std::optional<std::u16string> EnvironmentVariable(std::u16string_view name) override;
  std::u16string ExpandEnvironment(const std::u16string& text) override;
  std::vector<std::u16string> SystemFolders() override;
  void Trace(std::u16string_view line) override;
  Owned OpenToAppend(const std::u16string& path) override;
  void Append(Object& file, std::string_view bytes) override;
  std::uint64_t SizeOf(Object& file) override;
  bool MoveFile(const std::u16string& from, const std::u16string& to) override;
  std::optional<std::string> ReadFileEnd(const std::u16string& path, std::uint64_t offset,
                                         std::size_t max_bytes) override;
  std::u16string FromSystemCodePage(std::string_view bytes) override;
  std::u16string LocalTime() override;
  std::u16string ComparableFolder(const std::u16string& folder) override;
  std::u16string LocalTimeAt(std::uint64_t moment) override;
  Owned TakeLock(const std::u16string& name, std::chrono::milliseconds wait) override;
  Owned OpenClaim(const std::u16string& name, bool& made) override;
  ProcessIdentity ReadClaim(Object& claim) override;
  void WriteClaim(Object& claim, const ProcessIdentity& process) override;
  bool ServedAnywhere(const std::u16string& key) override;
  Process OpenProcess(std::uint32_t id) override;
  Process StartHidden(const std::u16string& program, const std::u16string& command_line,
                      const std::u16string& working_folder, const std::u16string& output,
                      Object* claim, bool tied, Object* pipe) override;
  Owned PipeInto(const ServerLog& log, std::u16string header) override;
  std::optional<std::uint32_t> WaitForEnd(Object& process, std::chrono::milliseconds wait) override;
  void AskToEnd(Object& process) override;
  void EndTree(Object& process) override;
  ServiceState QueryService(const std::u16string& name, std::u16string& command_line) override;
  bool RegisterService(const ServiceSettings& settings) override;
  void StartService(const std::u16string& name) override;
  void StopService(const std::u16string& name, std::chrono::milliseconds wait) override;
  void DeleteService(const std::u16string& name) override;
};

// The process handle of a process the platform opened or started.
HANDLE ProcessHandle(Platform::Object& process);

// Runs this process as the installation's service, for the service manager,
// which started it with --service; its exit status. Started otherwise, it
// says so in one box and gives ExitCode::kNotAService.
int RunService();

// A LauncherError carrying the Win32 error `code` and the system's own text
// for it in the user's language, without its trailing line break; "Error
// <code>." when the system has no text.
LauncherError SystemError(DWORD code);

// Narrows where DLLs are loaded from for the rest of the run: libraries that
// are loaded on demand (by COM, by the picture decoder) come from the system
// folder only, never from the launcher's folder or the current folder. Call
// it first thing, before anything can load a library. Static imports are out
// of its reach; the executable is linked so that it has none but the
// system's own DLLs.
void HardenDllSearch();

}  // namespace smeltra
