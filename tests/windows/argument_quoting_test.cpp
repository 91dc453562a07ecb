// The runtime's options quoted as Windows itself reads them back, and the
// tests' own reader of the Windows rules held against it.

#include "launcher/argument_quoting.h"

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <gtest/gtest.h>

#include "launcher/windows/unique_handles.h"
#include "registry/windows/wide_text.h"
#include "tests/support/command_line_reading.h"

namespace smeltra {
namespace {

// What CommandLineToArgvW reads after a program's name.
std::vector<std::u16string> SystemArguments(const std::u16string& arguments) {
  const std::u16string line = u"java.exe" + arguments;
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(AsWide(line), &count);
  const UniqueLocalMemory owner(argv);
  std::vector<std::u16string> read;
  for (int i = 1; argv != nullptr && i < count; ++i) read.push_back(FromWide(argv[i]));
  return read;
}

TEST(ArgumentQuotingTest, CommandLineToArgvWReadsEveryArgumentBack) {
  const auto& arguments = testing::kAwkwardArguments;
  EXPECT_EQ(SystemArguments(QuotedArguments(arguments)), arguments);
  for (const std::u16string& argument : arguments) {
    EXPECT_EQ(SystemArguments(QuotedArguments(std::span(&argument, 1))),
              std::vector<std::u16string>{argument});
  }
}

TEST(ArgumentQuotingTest, TheTestsReaderReadsAsWindowsDoes) {
  for (const std::u16string line :
       {u" a\tb  c ", u"a\\\\\\\"b \"c d\" e\\f \"g\\\\\" \"\"", u"\"a b\\\\\\\"c\" d\\\\\"",
        u"x\"y z\"w \\\\\\\\\"q r\"", u"\\\"\\\\\" \"\\\\\" \\"}) {
    EXPECT_EQ(testing::ReadWindowsArguments(line), SystemArguments(u" " + line)) << AsWide(line);
  }
}

}  // namespace
}  // namespace smeltra
