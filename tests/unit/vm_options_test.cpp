// The options file beside the launcher, and the quoting of its options on the
// runtime's command line.

#include "launcher/vm_options.h"

#include <gtest/gtest.h>

#include "launcher/argument_quoting.h"
#include "launcher/messages.h"
#include "tests/support/command_line_reading.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using Texts = std::vector<std::u16string>;
using namespace std::literals;

// UTF-16 little-endian with its byte-order mark, as Notepad saves "Unicode".
std::string Utf16(std::u16string_view text) {
  std::string bytes = "\xFF\xFE";
  for (const char16_t unit : text) bytes.append({char(unit & 0xFF), char(unit >> 8)});
  return bytes;
}

testing::FakePlatform WithEnvironment() {
  testing::FakePlatform platform;
  platform.environment = {{u"APP", u"C:\\Program Files\\App"},
                          {u"HEAP", u" -Xmx2g "},
                          {u"BLANK", u" \t"},
                          {u"OWNED", u"-jar"},
                          {u"AT", u"@more"}};
  return platform;
}

struct ParseCase {
  const char* name;
  std::string bytes;
  Texts options = {};          // when the file is read
  std::size_t line = 0;        // when it is refused: where, 0 for the whole file,
  std::u16string reason = {};  // and why
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, ReadsOrRefuses) {
  const ParseCase& c = GetParam();
  testing::FakePlatform platform = WithEnvironment();
  const ExpandFunction expand = [&](const std::u16string& text) {
    return platform.ExpandEnvironment(text);
  };
  try {
    EXPECT_EQ(ParseVmOptions(c.bytes, u"F", expand), c.options);
    EXPECT_TRUE(c.reason.empty()) << "read a file that should be refused";
  } catch (const VmOptionsError& error) {
    EXPECT_EQ(std::pair(error.line(), error.reason()), std::pair(c.line, c.reason));
  }
}

const std::u16string kNotUtf8(messages::kOptionsNotUtf8);
const std::u16string kNotUtf16(messages::kOptionsNotUtf16);
const std::u16string kNul(messages::kOptionsNul);
const std::u16string kTooLarge(messages::kOptionsTooLarge);
const std::u16string kAtFile(messages::kOptionsFromAnotherFile);
std::u16string Owned(std::u16string name) {
  return name.append(messages::kOptionsDecidedByLauncher);
}
const std::string kLimit(kMaxVmOptionsBytes - 2, '#');

// clang-format off
const ParseCase kParseCases[] = {
    {"Utf8OneOptionALine", "-Xmx512m\n-Dname=a b\n-Dp=\"C:\\x\\\"", {u"-Xmx512m", u"-Dname=a b", u"-Dp=\"C:\\x\\\""}},
    {"Utf8BomIsNoPartOfTheFirstOption", "\xEF\xBB\xBF-Xmx1g\r\n-Xss2m\r\n", {u"-Xmx1g", u"-Xss2m"}},
    {"Utf8BomAlone", "\xEF\xBB\xBF", {}},
    {"Utf8NonAscii", "-Dcity=Z\xC3\xBCrich \xE2\x82\xAC\xF0\x9D\x84\x9E", {u"-Dcity=Z\u00fcrich \u20ac\U0001D11E"}},
    {"Utf16LittleEndianWithBom", Utf16(u"-Xmx1g\r\n-D\u00e4=\u20ac \U0001D11E\r\n"), {u"-Xmx1g", u"-D\u00e4=\u20ac \U0001D11E"}},
    {"CommentsBlankLinesAndBlanksAround",
     "# heap\n\n \t \n  -Xmx1g \t\n\t# -jar x.jar\n-Da=#b\n#", {u"-Xmx1g", u"-Da=#b"}},
    {"LoneCrEndsALineAndNoLastLineEnd", "-Xmx1g\r-Xss2m\r\n\r\n-Dz", {u"-Xmx1g", u"-Xss2m", u"-Dz"}},
    {"ExpandedAndTrimmedAgain", "-Dhome=%APP%\\x\n%HEAP%\n-D%UNSET%=1\n%BLANK%\n",
     {u"-Dhome=C:\\Program Files\\App\\x", u"-Xmx2g", u"-D%UNSET%=1"}},
    {"LooksLikeOwnedButIsNot", "-cpx\n-mx512m\n--module-path=mods\n-CP\n-jarfile\n-Dx=@y\n-m2\n--class-paths",
     {u"-cpx", u"-mx512m", u"--module-path=mods", u"-CP", u"-jarfile", u"-Dx=@y", u"-m2", u"--class-paths"}},
    {"AtTheLimit", kLimit + "\r\n", {}},
    {"OverTheLimit", kLimit + "\r\n\n", {}, 0, kTooLarge},
    {"Utf16OverTheLimit", Utf16(std::u16string(kMaxVmOptionsBytes / 2, u'#')), {}, 0, kTooLarge},
    {"OwnedOptionCountsEveryLine", "# c\r\n\r\n-Xmx1g\r\n  -jar \r\n", {}, 4, Owned(u"-jar")},
    {"OwnedAfterExpansion", "-Xmx1g\n%OWNED%", {}, 2, Owned(u"-jar")},
    {"ArgumentFile", "\n @more.txt", {}, 2, kAtFile},
    {"ArgumentFileAfterExpansion", "%AT%", {}, 1, kAtFile},
    {"Utf8Overlong", "ok\n\xE0\x9F\xBF", {}, 2, kNotUtf8},
    {"Utf8EncodedSurrogate", "\xED\xA0\x80", {}, 1, kNotUtf8},
    {"Utf8BeyondUnicode", "\xF4\x90\x80\x80", {}, 1, kNotUtf8},
    {"Utf8StrayContinuation", "a\r\nb\r\n\x80", {}, 3, kNotUtf8},
    {"Utf8CutAtTheEnd", "-Xmx1g\n-D\xE2\x82", {}, 2, kNotUtf8},
    {"Latin1IsNotUtf8", "# caf\xE9\n", {}, 1, kNotUtf8},
    {"Utf16BigEndianIsNotRead", "\xFE\xFF\0-", {}, 1, kNotUtf8},
    {"Utf16LoneHighSurrogate", Utf16(u"a\nb\xD800"), {}, 2, kNotUtf16},
    {"Utf16LoneLowSurrogate", Utf16(u"\xDC00\xD800"), {}, 1, kNotUtf16},
    {"Utf16OddByte", Utf16(u"a\n") + "b", {}, 2, kNotUtf16},
    {"NulInAComment", "-Xmx1g\n#\0\n"s, {}, 2, kNul},
    {"Utf16WithoutBomHasNuls", "-\0X\0"s, {}, 1, kNul},
    {"Utf16Nul", Utf16(u"a\r\n\r\nb\0"sv), {}, 3, kNul}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Files, ParseTest, ::testing::ValuesIn(kParseCases),
                         [](const auto& test) { return std::string(test.param.name); });

// Each option the launcher decides, alone and with a value after '=' or a blank.
TEST(ParseTest, RefusesWhatTheLauncherDecides) {
  for (const std::u16string name :
       {u"-cp", u"-classpath", u"--class-path", u"-jar", u"-m", u"--module"}) {
    for (const std::u16string& line : {name, name + u"=x.jar", name + u" x.jar", name + u"\tx"}) {
      try {
        ParseVmOptions(std::string(line.begin(), line.end()), u"F",
                       [](auto& text) { return text; });
        ADD_FAILURE() << "not refused: " << std::string(line.begin(), line.end());
      } catch (const VmOptionsError& error) {
        EXPECT_EQ(error.reason(), Owned(name));
      }
    }
  }
}

TEST(LoadVmOptionsTest, NoFileReadRefusedOrUnreadable) {
  testing::FakePlatform platform = WithEnvironment();
  const std::u16string path = u"C:\\Smeltra.vmoptions";
  EXPECT_EQ(LoadVmOptions(platform, path), std::nullopt);
  platform.contents[path] = "-Xmx1g\n-Dhome=%APP%\n";
  EXPECT_EQ(LoadVmOptions(platform, path), (Texts{u"-Xmx1g", u"-Dhome=C:\\Program Files\\App"}));
  EXPECT_EQ(platform.traces, (Texts{path + u": not there", path + u": read, 2 options"}));

  const auto description = [&](std::int32_t number) {
    try {
      LoadVmOptions(platform, path);
    } catch (const VmOptionsError& error) {
      EXPECT_EQ(error.number(), number);
      return error.description();
    }
    return std::u16string(u"read");
  };
  platform.contents[path] = "-Xmx1g\n\n-cp=x.jar\n";
  EXPECT_EQ(description(error_number::kOptionsFileRefused),
            u"Options file C:\\Smeltra.vmoptions, line 3: -cp would replace the class path or the "
            u"program to run, which the launcher sets itself. Remove the line.");
  platform.contents[path] = std::string(kMaxVmOptionsBytes * 2, '#');  // the fake keeps the cap
  EXPECT_EQ(description(error_number::kOptionsFileRefused),
            u"Options file C:\\Smeltra.vmoptions: " + std::u16string(kTooLarge));
  platform.read_error = LauncherError(32, u"The file is in use.");
  EXPECT_EQ(description(32), u"Options file C:\\Smeltra.vmoptions: The file is in use.");
}

TEST(VmOptionsPathTest, NamedAfterTheLauncher) {
  // clang-format off
  const std::pair<std::u16string, std::u16string> paths[] = {
      {u"C:\\Smeltra\\Smeltra.exe", u"C:\\Smeltra\\Smeltra.vmoptions"},
      {u"D:\\a.b\\My.Server.EXE", u"D:\\a.b\\My.Server.vmoptions"},
      {u"\\\\srv\\a.b\\Server", u"\\\\srv\\a.b\\Server.vmoptions"}};
  // clang-format on
  for (const auto& [executable, options] : paths) EXPECT_EQ(VmOptionsPath(executable), options);
}

TEST(QuotedArgumentTest, QuotesOnlyWhereNeeded) {
  // clang-format off
  const std::pair<std::u16string, std::u16string> quoted[] = {
      {u"-Xmx1g", u"-Xmx1g"}, {u"C:\\a\\", u"C:\\a\\"}, {u"", u"\"\""},
      {u"a b\\", u"\"a b\\\\\""}, {u"a\\\"b", u"\"a\\\\\\\"b\""}};
  // clang-format on
  for (const auto& [argument, written] : quoted) EXPECT_EQ(QuotedArgument(argument), written);
  EXPECT_EQ(QuotedArguments({}), u"");
}

// Every awkward argument comes back unchanged from one line, alone and
// between others.
TEST(QuotedArgumentTest, ReadBackByTheWindowsRules) {
  const Texts& arguments = testing::kAwkwardArguments;
  EXPECT_EQ(testing::ReadWindowsArguments(QuotedArguments(arguments)), arguments);
  for (const std::u16string& argument : arguments) {
    EXPECT_EQ(testing::ReadWindowsArguments(u"java.exe" + QuotedArguments(Texts{argument})),
              (Texts{u"java.exe", argument}));
  }
}

}  // namespace
}  // namespace smeltra
