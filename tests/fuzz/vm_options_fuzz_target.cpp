// Fuzzes the options file's reader and the quoting of its options. Bit 0 of
// the first byte chooses what the rest is: an options file, read with a few
// variables to expand whose values are awkward themselves; or arguments, one
// unit a byte from what quoting must get right, a new argument at each 0xFF.
// A file is read or refused at a line it has (the whole file only when too
// large); each option read, written alone in a file of its own, reads back
// as itself, so none is empty, has blanks at its ends, holds a NUL or a line
// break or is refused; and options and arguments alike come back unchanged
// through quoting and the Windows rules of reading a command line.

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "launcher/argument_quoting.h"
#include "launcher/vm_options.h"
#include "tests/support/command_line_reading.h"
#include "tests/support/fakes.h"

namespace {

void Check(bool holds, const char* what) {
  if (holds) return;
  std::fprintf(stderr, "broken: %s\n", what);
  std::abort();
}

void CheckQuoting(const std::vector<std::u16string>& arguments) {
  const std::u16string line = smeltra::QuotedArguments(arguments);
  Check(smeltra::testing::ReadWindowsArguments(line) == arguments, "quoting does not read back");
}

std::string Utf16File(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) bytes.append({char(unit & 0xFF), char(unit >> 8)});
  return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace smeltra;
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  if ((data[0] & 1) != 0) {
    constexpr std::u16string_view kUnits = u"a \t\"\\\\\"\xD800\xDC00\u00e9-";
    std::vector<std::u16string> arguments(1);
    for (const char byte : rest) {
      if (byte == '\xFF')
        arguments.emplace_back();
      else
        arguments.back() += kUnits[static_cast<std::uint8_t>(byte) % kUnits.size()];
    }
    CheckQuoting(arguments);
    return 0;
  }
  testing::FakePlatform platform;
  platform.environment = {{u"A", u"-cp"},     {u"B", u" @x "},    {u"C", u""},
                          {u"D", u"a\"b\\ "}, {u"E", u"-jar\tx"}, {u"F", u"%A%#"}};
  const auto expand = [&](const std::u16string& text) { return platform.ExpandEnvironment(text); };
  std::vector<std::u16string> options;
  try {
    options = ParseVmOptions(rest, u"F", expand);
  } catch (const VmOptionsError& error) {
    const auto line_ends =
        std::ranges::count_if(rest, [](char c) { return c == '\n' || c == '\r'; });
    Check(error.line() <= static_cast<std::size_t>(line_ends) + 1, "a line the file does not have");
    Check((error.line() == 0) == (rest.size() > kMaxVmOptionsBytes), "no line for a line's fault");
    return 0;
  }
  for (const std::u16string& option : options) {
    // One that a variable's value made start with '#' would be a comment
    // when written; nothing starting with '#' or "-#" is refused.
    const std::u16string alone = option.starts_with(u'#') ? u"-" + option : option;
    try {
      Check(ParseVmOptions(Utf16File(alone), u"F", [](auto& text) { return text; }) ==
                std::vector{alone},
            "an option that does not read back alone");
    } catch (const VmOptionsError&) {
      Check(false, "an option that is refused when read alone");
    }
  }
  CheckQuoting(options);
  return 0;
}
