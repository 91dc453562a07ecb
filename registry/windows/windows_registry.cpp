#include "registry/windows/windows_registry.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>

#include "common/windows/wide_text.h"

namespace smeltra {
namespace {

// The predefined hives are 32-bit values with the top bit set; Windows
// sign-extends them into a 64-bit HKEY, so 0x80000002 is 0xFFFFFFFF80000002
// there. Handles that RegOpenKeyExW gave are kept as their pointer value.
bool IsPredefinedHive(KeyHandle key) { return key >= 0x80000000 && key <= 0x800000FF; }

HKEY ToHkey(KeyHandle key) {
  if (IsPredefinedHive(key)) {
    const auto sign_extended =
        static_cast<std::intptr_t>(static_cast<std::int32_t>(static_cast<std::uint32_t>(key)));
    return reinterpret_cast<HKEY>(sign_extended);
  }
  return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key));
}

KeyHandle FromHkey(HKEY key) { return reinterpret_cast<std::uintptr_t>(key); }

// A key name has at most 255 characters.
constexpr DWORD kMaxKeyNameChars = 256;

}  // namespace

std::int32_t WindowsRegistry::OpenKey(KeyHandle parent, std::u16string_view path,
                                      std::uint32_t access, KeyHandle& opened) {
  HKEY key = nullptr;
  const LSTATUS status =
      RegOpenKeyExW(ToHkey(parent), AsWide(std::u16string(path)), 0, access, &key);
  if (status == ERROR_SUCCESS) opened = FromHkey(key);
  return status;
}

std::int32_t WindowsRegistry::EnumKey(KeyHandle key, std::uint32_t index, std::u16string& name) {
  std::array<wchar_t, kMaxKeyNameChars> buffer{};
  DWORD length = kMaxKeyNameChars;
  const LSTATUS status =
      RegEnumKeyExW(ToHkey(key), index, buffer.data(), &length, nullptr, nullptr, nullptr, nullptr);
  if (status == ERROR_SUCCESS) {
    name = FromWide(std::wstring_view(buffer.data(), std::min<DWORD>(length, kMaxKeyNameChars)));
  }
  return status;
}

std::int32_t WindowsRegistry::QueryValue(KeyHandle key, std::u16string_view value_name,
                                         std::uint32_t& type, std::span<std::uint8_t> buffer,
                                         std::uint32_t& length) {
  // With no data pointer at all the call would report success and the size;
  // an empty buffer must answer 234 like any other buffer that is too small.
  std::uint8_t no_room = 0;
  BYTE* data = buffer.empty() ? &no_room : buffer.data();
  DWORD size = static_cast<DWORD>(std::min<std::size_t>(length, buffer.size()));
  DWORD value_type = 0;
  const LSTATUS status = RegQueryValueExW(ToHkey(key), AsWide(std::u16string(value_name)), nullptr,
                                          &value_type, data, &size);
  if (status == ERROR_SUCCESS || status == ERROR_MORE_DATA) {
    type = value_type;
    length = size;
  }
  return status;
}

void WindowsRegistry::CloseKey(KeyHandle key) {
  if (!IsPredefinedHive(key)) RegCloseKey(ToHkey(key));
}

bool WindowsHasTwoRegistryViews() {
#if defined(_WIN64)
  return true;
#else
  // A 32-bit program sees two views exactly when it runs on 64-bit Windows.
  BOOL wow64 = FALSE;
  return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
#endif
}

}  // namespace smeltra
