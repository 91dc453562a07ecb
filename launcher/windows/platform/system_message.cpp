#include "launcher/windows/platform/system_message.h"

#include <cstdint>
#include <string_view>

#include "launcher/windows/platform/unique_handles.h"
#include "registry/windows/wide_text.h"

namespace smeltra {

std::string SystemMessage(DWORD code) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  const UniqueLocalMemory owner(text);
  std::wstring_view message(text != nullptr ? text : L"", text != nullptr ? length : 0);
  const std::size_t end = message.find_last_not_of(L" \t\r\n");
  message = end == std::wstring_view::npos ? std::wstring_view() : message.substr(0, end + 1);
  if (message.empty()) return "Error " + std::to_string(code) + ".";
  return Narrow(message);
}

LauncherError SystemError(DWORD code) {
  return LauncherError(static_cast<std::int32_t>(code), SystemMessage(code));
}

}  // namespace smeltra
