#pragma once

#include <string>
#include <string_view>

namespace smeltra {

// The portable code keeps text as UTF-16 code units, which is what wchar_t
// holds on Windows: the two views below convert nothing and so lose nothing,
// unpaired surrogates included.
static_assert(sizeof(wchar_t) == sizeof(char16_t));

inline const wchar_t* AsWide(const std::u16string& text) {
  return reinterpret_cast<const wchar_t*>(text.c_str());
}

// A view of a string literal, which ends in its NUL.
inline const wchar_t* LiteralAsWide(std::u16string_view literal) {
  return reinterpret_cast<const wchar_t*>(literal.data());
}

inline std::u16string FromWide(std::wstring_view text) {
  return std::u16string(reinterpret_cast<const char16_t*>(text.data()), text.size());
}

}  // namespace smeltra
