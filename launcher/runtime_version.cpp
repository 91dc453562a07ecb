#include "launcher/runtime_version.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "registry/launcher_error.h"
#include "registry/text_encoding.h"

namespace smeltra {
namespace {

constexpr std::size_t kVersionPrefixLength = 3;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// Digits with at most one full stop, and at least one digit.
bool IsPlainDecimal(std::string_view text) {
  return std::ranges::any_of(text, IsDigit) &&
         std::ranges::all_of(text, [](char c) { return IsDigit(c) || c == '.'; }) &&
         std::ranges::count(text, '.') <= 1;
}

}  // namespace

double RuntimeVersionNumber(std::string_view subkey_name) {
  std::string_view text = TrimBlanks(FirstCharacters(subkey_name, kVersionPrefixLength));
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  double number = 0;
  if (IsPlainDecimal(text)) {
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), number, std::chars_format::fixed);
    if (error == std::errc{} && end == text.data() + text.size())
      return negative ? -number : number;
  }
  throw LauncherError(
      error_number::kTypeMismatch,
      "Type mismatch: runtime version \"" + std::string(subkey_name) + "\" is not a number");
}

}  // namespace smeltra
