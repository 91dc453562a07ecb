#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

namespace smeltra::testing {

// The arguments of a command line after the program's name, by the rules
// Microsoft documents for its C runtime and CommandLineToArgvW: blanks and
// tabs outside double quotes separate; a quote opens or closes a quoted part;
// 2n backslashes before a quote are n and the quote does its work, 2n+1 are n
// and a literal quote; other backslashes are themselves. ("" inside quotes,
// which runtimes read differently, is left out: QuotedArgument never writes it.)
inline std::vector<std::u16string> ReadWindowsArguments(std::u16string_view line) {
  std::vector<std::u16string> arguments;
  for (std::size_t at = line.find_first_not_of(u" \t"); at < line.size();
       at = line.find_first_not_of(u" \t", at)) {
    std::u16string& argument = arguments.emplace_back();
    for (bool quoted = false;
         at < line.size() && (quoted || (line[at] != u' ' && line[at] != u'\t'));) {
      const std::size_t run = std::min(line.find_first_not_of(u'\\', at), line.size()) - at;
      const bool quote_follows = at + run < line.size() && line[at + run] == u'"';
      if (run > 0) {
        argument.append(quote_follows ? run / 2 : run, u'\\');
        at += run;
        if (quote_follows && run % 2 == 1) argument += line[at++];
      } else if (quote_follows) {
        quoted = !quoted;
        ++at;
      } else {
        argument += line[at++];
      }
    }
  }
  return arguments;
}

// Arguments that quoting gets wrong in each of the usual ways.
// clang-format off
inline const std::vector<std::u16string> kAwkwardArguments = {
    u"", u" ", u"\t", u"plain", u"a b", u"a\tb", u"  both ends  ", u"\"", u"a\"b", u"\"\"",
    u"\\", u"a\\", u"a\\\\", u"a b\\", u"a b\\\\", u"\\\"", u"a\\\"b", u"a\\\\\"b c",
    u"C:\\Program Files\\Java\\", u"\\\\server\\share\\", u"-Dq=\"x y\"\\",
    u"-Dcity=Z\u00fcrich \u20ac\U0001D11E", u"lone \xD800 surrogate", u"%PATH%", u"^&|<>"};
// clang-format on

}  // namespace smeltra::testing
