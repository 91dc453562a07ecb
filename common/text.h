#pragma once

#include <cstdint>
#include <span>
#include <string>

// Text as the launcher keeps it: UTF-16 code units, as Windows does, so that
// nothing is converted and nothing lost between the registry, a file and the
// process start.
namespace smeltra {

// `number` in decimal digits; with a `separator`, in groups of three.
inline std::u16string Decimal(std::uint64_t number, char16_t separator = u'\0') {
  std::u16string digits;
  for (int count = 0; count == 0 || number != 0; ++count, number /= 10) {
    if (separator != u'\0' && count != 0 && count % 3 == 0) digits.insert(0, 1, separator);
    digits.insert(0, 1, static_cast<char16_t>(u'0' + number % 10));
  }
  return digits;
}

// UTF-16LE bytes as code units; a trailing odd byte is no whole unit and is
// dropped.
inline std::u16string Utf16FromLeBytes(std::span<const std::uint8_t> bytes) {
  std::u16string units(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < units.size(); ++i) {
    units[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  return units;
}

}  // namespace smeltra
