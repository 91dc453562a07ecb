#pragma once

#include <string>
#include <vector>

namespace smeltra::demo {

// One argument as a Windows command line writes it, so that
// CommandLineToArgvW reads it back unchanged: bare when it has no blank, tab
// or quote and is not empty; otherwise in quotes, with each quote escaped and
// the backslashes before a quote (or before the closing quote) doubled.
inline std::wstring QuoteArgument(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L'"';
}

inline std::wstring JoinArguments(const std::vector<std::wstring>& arguments) {
  std::wstring line;
  for (const std::wstring& argument : arguments) {
    if (!line.empty()) line += L' ';
    line += QuoteArgument(argument);
  }
  return line;
}

}  // namespace smeltra::demo
