#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace smeltra {

// The launcher keeps text as UTF-8 and talks UTF-16 to the platform. Both
// conversions are total: a malformed sequence (a lone surrogate, a stray or
// truncated UTF-8 byte) becomes U+FFFD instead of failing. NULs pass through.
std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Decodes UTF-16LE bytes as a registry stores text. A trailing odd byte is not
// a whole code unit and is ignored.
std::u16string Utf16LeBytesToUnits(std::span<const std::uint8_t> bytes);

// The inverse, for writing test and sample data.
std::vector<std::uint8_t> Utf16UnitsToLeBytes(std::u16string_view units);

// The first `count` characters (code points) of UTF-8 text, or all of it.
std::string_view FirstCharacters(std::string_view utf8, std::size_t count);

}  // namespace smeltra
