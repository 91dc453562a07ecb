#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace smeltra {

using RegistryBytes = std::vector<std::uint8_t>;

// What RegReadValue hands back: Empty (std::monostate), a signed 32-bit
// integer, UTF-8 text, or the raw bytes of a binary value.
using RegistryValue = std::variant<std::monostate, std::int32_t, std::string, RegistryBytes>;

inline bool IsEmpty(const RegistryValue& value) {
  return std::holds_alternative<std::monostate>(value);
}

}  // namespace smeltra
