#pragma once

#include "registry/registry.h"

namespace smeltra {

// The platform's registry through the wide-character advapi32 calls, read
// access only. Names, paths and value data are handed over exactly as stored.
class WindowsRegistry final : public Registry {
 public:
  std::int32_t OpenKey(KeyHandle parent, std::u16string_view path, std::uint32_t access,
                       KeyHandle& opened) override;
  std::int32_t EnumKey(KeyHandle key, std::uint32_t index, std::u16string& name) override;
  std::int32_t QueryValue(KeyHandle key, std::u16string_view value_name, std::uint32_t& type,
                          std::span<std::uint8_t> buffer, std::uint32_t& length) override;
  void CloseKey(KeyHandle key) override;
};

// True when HKLM\SOFTWARE has a 64-bit and a 32-bit view: on 64-bit Windows,
// whether this program is a 64-bit or a 32-bit one.
bool WindowsHasTwoRegistryViews();

}  // namespace smeltra
