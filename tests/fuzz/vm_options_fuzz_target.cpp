// Fuzzes the options file's reader. The input is an options file, with
// awkward variables to expand. A file is read, or refused at a line it has
// (the whole file only when too large); each option read, written alone in a
// file, reads back as itself: never empty, refused, blank at an end, with a
// NUL or a line break.

#include <algorithm>

#include "launcher/messages.h"
#include "launcher/vm_options.h"
#include "tests/support/fakes.h"

using smeltra::testing::Check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace smeltra;
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  testing::FakePlatform platform;
  platform.environment = {{u"A", u"-cp"},     {u"B", u" @x "},    {u"C", u""},
                          {u"D", u"a\"b\\ "}, {u"E", u"-jar\tx"}, {u"F", u"%A%#"}};
  const auto expand = [&](const std::u16string& text) { return platform.ExpandEnvironment(text); };
  std::vector<std::u16string> options;
  try {
    options = ParseVmOptions(file, u"F", expand);
  } catch (const LauncherError& error) {
    // "Options file F, line <n>: ..." for a line's fault, else "Options file F: ...".
    const std::u16string head = std::u16string(messages::kOptionsFile) + u"F";
    const std::u16string_view text = error.description();
    std::size_t line = 0;
    if (text.starts_with(head + std::u16string(messages::kOptionsLine))) {
      for (std::size_t at = head.size() + messages::kOptionsLine.size(); text.at(at) != u':'; ++at)
        line = line * 10 + (text[at] - u'0');
    } else {
      Check(text.starts_with(head + u": "), "a refusal that names no file");
    }
    const auto line_ends =
        std::ranges::count_if(file, [](char c) { return c == '\n' || c == '\r'; });
    Check(line <= static_cast<std::size_t>(line_ends) + 1, "a line the file does not have");
    Check((line == 0) == (file.size() > kMaxVmOptionsBytes), "no line for a line's fault");
    return 0;
  }
  for (const std::u16string& option : options) {
    // One that a variable's value made start with '#' would be a comment
    // when written; nothing starting with '#' or "-#" is refused. A refusal
    // here escapes and ends the run, as a finding.
    const std::u16string alone = option.starts_with(u'#') ? u"-" + option : option;
    Check(ParseVmOptions(testing::Utf16File(alone), u"F", [](auto& text) { return text; }) ==
              std::vector{alone},
          "an option that does not read back alone");
  }
  return 0;
}
