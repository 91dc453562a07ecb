#include "launcher/vm_options.h"

#include <algorithm>
#include <cstdint>

#include "common/text.h"
#include "launcher/messages.h"
#include "registry/mregistry.h"

namespace smeltra {
namespace {

constexpr std::u16string_view kBlanks = u" \t";

std::u16string_view Trimmed(std::u16string_view text) {
  const std::size_t first = text.find_first_not_of(kBlanks);
  if (first == text.npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// The 1-based line on which the end of `before` lies; CRLF is one line end.
std::size_t LineAtEnd(std::u16string_view before) {
  std::size_t line = 1;
  for (std::size_t at = 0; at < before.size(); ++at) {
    line += before[at] == u'\n' || (before[at] == u'\r' && before.substr(at + 1, 1) != u"\n");
  }
  return line;
}

// Decoded text; when the bytes are no text in their encoding, what was
// decoded before the fault and why.
struct Decoded {
  std::u16string text;
  std::u16string_view fault;
};

Decoded FromUtf8(std::string_view bytes) {
  Decoded decoded;
  if (AppendFromUtf8(bytes, decoded.text) < bytes.size()) decoded.fault = messages::kOptionsNotUtf8;
  return decoded;
}

Decoded FromUtf16Le(std::string_view bytes) {
  Decoded decoded{
      Utf16FromLeBytes({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()}), {}};
  const auto high = [](char16_t unit) { return unit >= 0xD800 && unit < 0xDC00; };
  const auto low = [](char16_t unit) { return unit >= 0xDC00 && unit < 0xE000; };
  std::u16string& text = decoded.text;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const bool paired = high(text[at]) && at + 1 < text.size() && low(text[at + 1]);
    if ((high(text[at]) || low(text[at])) && !paired) {
      text.resize(at);
      return decoded.fault = messages::kOptionsNotUtf16, decoded;
    }
    at += paired;
  }
  if (bytes.size() % 2 != 0) decoded.fault = messages::kOptionsNotUtf16;
  return decoded;
}

Decoded Decode(std::string_view bytes) {
  if (bytes.starts_with("\xFF\xFE")) return FromUtf16Le(bytes.substr(2));
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  return FromUtf8(bytes);
}

// Why `option` may not be given, or nothing.
std::optional<std::u16string> Refusal(std::u16string_view option) {
  if (option.starts_with(u'@')) return std::u16string(messages::kOptionsFromAnotherFile);
  for (const std::u16string_view name : kLauncherOwnedOptions) {
    const std::u16string_view after = option.substr(std::min(name.size(), option.size()), 1);
    if (option.starts_with(name) && (after.empty() || after.find_first_of(u"= \t") == 0)) {
      return std::u16string(name).append(messages::kOptionsDecidedByLauncher);
    }
  }
  return std::nullopt;
}

}  // namespace

LauncherError OptionsFileError(std::u16string_view file, std::size_t line,
                               std::u16string_view reason) {
  std::u16string text = std::u16string(messages::kOptionsFile).append(file);
  if (line != 0) text.append(messages::kOptionsLine).append(Decimal(line));
  return LauncherError(text.append(u": ").append(reason));
}

std::vector<std::u16string> ParseVmOptions(std::string_view bytes, std::u16string_view file,
                                           const ExpandFunction& expand) {
  if (bytes.size() > kMaxVmOptionsBytes) {
    using messages::kOptionsTooLarge;
    throw OptionsFileError(file, 0,
                           std::u16string(kOptionsTooLarge[0]) +
                               Decimal(kMaxVmOptionsBytes / 1024).append(kOptionsTooLarge[1]));
  }
  const Decoded decoded = Decode(bytes);
  const std::u16string_view text = decoded.text;
  if (!decoded.fault.empty()) {
    throw OptionsFileError(file, LineAtEnd(text), decoded.fault);
  }
  if (const std::size_t nul = text.find(u'\0'); nul != text.npos) {
    throw OptionsFileError(file, LineAtEnd(text.substr(0, nul)), messages::kOptionsNul);
  }
  std::vector<std::u16string> options;
  std::size_t number = 1;
  for (std::size_t start = 0; start <= text.size(); ++number) {
    const std::size_t end = std::min(text.find_first_of(u"\r\n", start), text.size());
    const std::u16string_view line = Trimmed(text.substr(start, end - start));
    start = end + (text.substr(end, 2) == u"\r\n" ? 2 : 1);
    if (line.empty() || line.starts_with(u'#')) continue;
    const std::u16string option(Trimmed(expand(std::u16string(line))));
    if (option.empty()) continue;
    if (auto refusal = Refusal(option)) throw OptionsFileError(file, number, *refusal);
    options.push_back(option);
  }
  return options;
}

std::u16string VmOptionsPath(std::u16string_view executable_path) {
  const std::size_t name = executable_path.find_last_of(u"\\/") + 1;  // npos + 1 is 0
  const std::size_t dot = executable_path.find_last_of(u'.');
  const std::size_t end = dot != executable_path.npos && dot >= name ? dot : executable_path.size();
  return std::u16string(executable_path.substr(0, end)).append(u".vmoptions");
}

std::optional<std::vector<std::u16string>> LoadVmOptions(Platform& platform,
                                                         const std::u16string& path) {
  std::optional<std::string> bytes;
  try {
    bytes = platform.ReadFile(path, kMaxVmOptionsBytes);
  } catch (const LauncherError& error) {
    throw OptionsFileError(path, 0, error.description());
  }
  if (!bytes) {
    platform.Trace(path + u": not there");
    return std::nullopt;
  }
  auto options = ParseVmOptions(
      *bytes, path, [&](const std::u16string& text) { return platform.ExpandEnvironment(text); });
  platform.Trace(path + u": read, " + Decimal(options.size()) +
                 (options.size() == 1 ? u" option" : u" options"));
  return options;
}

}  // namespace smeltra
