#include "launcher/runtime_version.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "common/launcher_error.h"

namespace smeltra {
namespace {

constexpr std::size_t kVersionPrefixLength = 3;

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Digits with at most one full stop, and at least one digit.
bool IsPlainDecimal(std::u16string_view text) {
  return std::ranges::any_of(text, IsDigit) &&
         std::ranges::all_of(text, [](char16_t c) { return IsDigit(c) || c == u'.'; }) &&
         std::ranges::count(text, u'.') <= 1;
}

}  // namespace

double RuntimeVersionNumber(std::u16string_view subkey_name) {
  std::u16string_view text = subkey_name.substr(0, kVersionPrefixLength);
  while (!text.empty() && (text.front() == u' ' || text.front() == u'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == u' ' || text.back() == u'\t')) text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == u'+' || text.front() == u'-')) {
    negative = text.front() == u'-';
    text.remove_prefix(1);
  }
  if (IsPlainDecimal(text)) {
    // Plain ASCII by now, which from_chars reads the same in every locale.
    const std::string ascii(text.begin(), text.end());
    double number = 0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), number,
                                              std::chars_format::fixed);
    if (error == std::errc{} && end == ascii.data() + ascii.size()) {
      return negative ? -number : number;
    }
  }
  throw LauncherError(u"Type mismatch: runtime version \"" + std::u16string(subkey_name) +
                      u"\" is not a number");
}

std::optional<std::vector<std::uint32_t>> VendorVersion(std::u16string_view subkey_name) {
  std::vector<std::uint32_t> numbers;
  for (std::size_t i = 0; i < subkey_name.size();) {
    if (!IsDigit(subkey_name[i])) {
      ++i;
      continue;
    }
    std::uint64_t number = 0;
    for (; i < subkey_name.size() && IsDigit(subkey_name[i]); ++i) {
      number = number * 10 + (subkey_name[i] - u'0');
      if (number > UINT32_MAX) return std::nullopt;
    }
    numbers.push_back(static_cast<std::uint32_t>(number));
  }
  if (numbers.empty()) return std::nullopt;
  if (numbers.size() > 1 && numbers.front() == 1) numbers.erase(numbers.begin());
  return numbers;
}

}  // namespace smeltra
