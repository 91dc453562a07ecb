#include "launcher/windows/platform/launcher_folder.h"

#include "launcher/windows/platform/system_message.h"
#include "registry/windows/wide_text.h"

namespace smeltra {
namespace {

constexpr DWORD kFirstBufferChars = MAX_PATH;
// The longest path Windows can handle at all, with its terminator.
constexpr DWORD kMaxBufferChars = 32768;

}  // namespace

std::wstring ModuleFileName(HMODULE module) {
  std::wstring path;
  for (DWORD size = kFirstBufferChars;; size *= 2) {
    path.resize(size);
    SetLastError(ERROR_SUCCESS);
    const DWORD length = GetModuleFileNameW(module, path.data(), size);
    if (length == 0) throw SystemError(GetLastError());
    // A cut path fills the buffer exactly; older systems do not say so in
    // the last error, so the length alone decides.
    if (length < size) {
      path.resize(length);
      return path;
    }
    if (size >= kMaxBufferChars) throw SystemError(ERROR_INSUFFICIENT_BUFFER);
  }
}

std::wstring FolderOfFile(std::wstring_view file_path) {
  const std::size_t last = file_path.find_last_of(L"\\/");
  if (last == std::wstring_view::npos) return std::wstring();
  const std::wstring_view folder = file_path.substr(0, last);
  if (!folder.empty() && folder.back() == L':') return std::wstring(file_path.substr(0, last + 1));
  return std::wstring(folder);
}

std::string LauncherFolder() { return Narrow(FolderOfFile(ModuleFileName(nullptr))); }

}  // namespace smeltra
