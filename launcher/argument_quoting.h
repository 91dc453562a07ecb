#pragma once

#include <span>
#include <string>
#include <string_view>

namespace smeltra {

// `argument` written for a Windows command line so that CommandLineToArgvW,
// the C runtimes and Java's own launcher all read it back unchanged, as one
// argument. Text without a blank, a tab or a double quote, and not empty,
// stays as it is: backslashes mean themselves unless a quote follows them.
// Otherwise it is put in double quotes, each inner quote escaped as \" and
// the backslashes in front of a quote (the closing one included) doubled.
// Never for the program's own name, which Windows reads by other rules.
std::u16string QuotedArgument(std::u16string_view argument);

// Each of `arguments` in order, quoted as above and each after one blank, to
// be appended to a command line; empty text for no arguments, so that a line
// without them stays as it was.
std::u16string QuotedArguments(std::span<const std::u16string> arguments);

}  // namespace smeltra
