#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

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

// `number` in `digits` upper-case hexadecimal digits, the lowest ones.
inline std::u16string Hex(std::uint64_t number, int digits) {
  std::u16string text;
  for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
    text += u"0123456789ABCDEF"[(number >> shift) & 0xF];
  return text;
}

// Whether `text` is `lower` (ASCII, lower case) with its letters in any case,
// as Windows compares names and switches.
inline bool EqualsIgnoringAsciiCase(std::u16string_view text, std::u16string_view lower) {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if ((c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c) != lower[i]) return false;
  }
  return true;
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

// Decodes UTF-8 `bytes` onto `text` up to the first sequence that is not
// UTF-8 (overlong forms, surrogates and code points beyond Unicode are not);
// returns how many bytes were decoded, all of them when the bytes are UTF-8.
inline std::size_t AppendFromUtf8(std::string_view bytes, std::u16string& text) {
  constexpr char32_t kLowest[] = {0, 0, 0x80, 0x800, 0x10000};  // by length: no overlong forms
  std::size_t at = 0;
  while (at < bytes.size()) {
    // A sequence's length by its first byte; 0xC0 and 0xC1 could only start
    // overlong forms and bytes above 0xF4 code points beyond Unicode.
    const auto lead = static_cast<std::uint8_t>(bytes[at]);
    const std::size_t length = lead < 0x80   ? 1
                               : lead < 0xC2 ? 0
                               : lead < 0xE0 ? 2
                               : lead < 0xF0 ? 3
                               : lead < 0xF5 ? 4
                                             : 0;
    bool valid = length != 0 && at + length <= bytes.size();
    char32_t point = valid ? lead & (0xFFu >> length) : 0;
    for (std::size_t i = 1; valid && i < length; ++i) {
      const auto next = static_cast<std::uint8_t>(bytes[at + i]);
      valid = (next & 0xC0) == 0x80;
      point = point << 6 | (next & 0x3Fu);
    }
    if (!valid || point < kLowest[length] || point > 0x10FFFF ||
        (point >= 0xD800 && point <= 0xDFFF)) {
      break;
    }
    if (point < 0x10000) {
      text += static_cast<char16_t>(point);
    } else {
      text += static_cast<char16_t>(0xD800 + ((point - 0x10000) >> 10));
      text += static_cast<char16_t>(0xDC00 + (point & 0x3FF));
    }
    at += length;
  }
  return at;
}

// `text` as UTF-8; a lone surrogate, which is no character, becomes U+FFFD.
inline std::string Utf8(std::u16string_view text) {
  std::string bytes;
  for (std::size_t at = 0; at < text.size(); ++at) {
    char32_t point = text[at];
    if (point >= 0xD800 && point <= 0xDFFF) {
      const bool paired =
          point < 0xDC00 && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] < 0xE000;
      point = paired ? 0x10000 + ((point - 0xD800) << 10) + (text[++at] - 0xDC00) : 0xFFFD;
    }
    if (point < 0x80) {
      bytes += static_cast<char>(point);
    } else {
      const int extra = point < 0x800 ? 1 : point < 0x10000 ? 2 : 3;
      bytes += static_cast<char>((0xFF00u >> (extra + 1)) | (point >> (6 * extra)));
      for (int shift = 6 * (extra - 1); shift >= 0; shift -= 6)
        bytes += static_cast<char>(0x80 | ((point >> shift) & 0x3F));
    }
  }
  return bytes;
}

}  // namespace smeltra
