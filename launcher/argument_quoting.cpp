#include "launcher/argument_quoting.h"

namespace smeltra {

std::u16string QuotedArgument(std::u16string_view argument) {
  if (!argument.empty() && argument.find_first_of(u" \t\"") == argument.npos) {
    return std::u16string(argument);
  }
  std::u16string quoted = u"\"";
  std::size_t backslashes = 0;
  for (const char16_t unit : argument) {
    if (unit == u'"') quoted.append(backslashes + 1, u'\\');
    backslashes = unit == u'\\' ? backslashes + 1 : 0;
    quoted += unit;
  }
  // The closing quote must not be read as an escaped one.
  quoted.append(backslashes, u'\\');
  return quoted += u'"';
}

std::u16string QuotedArguments(std::span<const std::u16string> arguments) {
  std::u16string line;
  for (const std::u16string& argument : arguments)
    line.append(u" ").append(QuotedArgument(argument));
  return line;
}

}  // namespace smeltra
