#pragma once

#include <string>
#include <string_view>

#include "registry/text_encoding.h"

namespace smeltra {

// UTF-8 to the platform's wide strings and back, without loss. On Windows
// wchar_t is a UTF-16 code unit, so the portable conversion serves.
inline std::wstring Widen(std::string_view utf8) {
  const std::u16string units = Utf8ToUtf16(utf8);
  return std::wstring(units.begin(), units.end());
}

inline std::string Narrow(std::wstring_view wide) {
  return Utf16ToUtf8(std::u16string(wide.begin(), wide.end()));
}

}  // namespace smeltra
