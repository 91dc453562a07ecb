// The options file beside the launcher, and the quoting of its options on the
// runtime's command line.

#include "launcher/vm_options.h"

#include <gtest/gtest.h>

#include <variant>

#include "launcher/argument_quoting.h"
#include "launcher/messages.h"
#include "tests/support/command_line_reading.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using Texts = std::vector<std::u16string>;
using namespace std::literals;
namespace m = messages;

// clang-format off
const std::map<std::u16string, std::u16string> kEnvironment = {
    {u"APP", u"C:\\Program Files\\App"}, {u"HEAP", u" -Xmx2g "}, {u"BLANK", u" \t"}, {u"OWNED", u"-jar"},
    {u"AT", u"@more"}};
// clang-format on

// What reading a file gives: its options, or the box's reason for its refusal.
using Refusal = std::u16string;
using Outcome = std::variant<Texts, Refusal>;
Refusal Refused(std::size_t line, std::u16string_view why) {
  const std::string number = std::to_string(line);
  const std::u16string at =
      line == 0 ? u"" : u", line " + std::u16string(number.begin(), number.end());
  return u"Options file F" + at + u": " + std::u16string(why);
}
Refusal Owned(std::size_t line, std::u16string_view option) {
  return Refused(line, std::u16string(option).append(m::kOptionsDecidedByLauncher));
}
Outcome Read(std::string_view bytes) {
  testing::FakePlatform platform;
  platform.environment = kEnvironment;
  try {
    return ParseVmOptions(bytes, u"F",
                          [&](auto& text) { return platform.ExpandEnvironment(text); });
  } catch (const LauncherError& error) {
    return error.description();
  }
}

// A name, the file's bytes and what reading them gives.
using ParseCase = std::tuple<const char*, std::string, Outcome>;
class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, ReadsOrRefuses) {
  EXPECT_EQ(Read(std::get<1>(GetParam())), std::get<2>(GetParam()));
}

const std::string kLimit(kMaxVmOptionsBytes - 2, '#');

// clang-format off
const ParseCase kParseCases[] = {
    {"Utf8OneOptionALine", "-Xmx512m\n-Dname=a b\n-Dp=\"C:\\x\\\"", Texts{u"-Xmx512m", u"-Dname=a b", u"-Dp=\"C:\\x\\\""}},
    {"Utf8BomIsNoPartOfTheFirstOption", "\xEF\xBB\xBF-Xmx1g\r\n-Xss2m\r\n", Texts{u"-Xmx1g", u"-Xss2m"}},
    {"Utf8NonAscii", "-Dcity=Z\xC3\xBCrich \xE2\x82\xAC\xF0\x9D\x84\x9E", Texts{u"-Dcity=Z\u00fcrich \u20ac\U0001D11E"}},
    {"Utf16LittleEndianWithBom", testing::Utf16File(u"-Xmx1g\r\n-D\u00e4=\u20ac \U0001D11E\r\n"), Texts{u"-Xmx1g", u"-D\u00e4=\u20ac \U0001D11E"}},
    {"CommentsBlankLinesAndBlanksAround",
     "# heap\n\n \t \n  -Xmx1g \t\n\t# -jar x.jar\n-Da=#b\n#", Texts{u"-Xmx1g", u"-Da=#b"}},
    {"LoneCrEndsALineAndNoLastLineEnd", "-Xmx1g\r-Xss2m\r\n\r\n-Dz", Texts{u"-Xmx1g", u"-Xss2m", u"-Dz"}},
    {"ExpandedAndTrimmedAgain", "-Dhome=%APP%\\x\n%HEAP%\n-D%UNSET%=1\n%BLANK%\n",
     Texts{u"-Dhome=C:\\Program Files\\App\\x", u"-Xmx2g", u"-D%UNSET%=1"}},
    {"LooksLikeOwnedButIsNot", "-cpx\n-mx512m\n--module-path=mods\n-CP\n-jarfile\n-Dx=@y\n-m2\n--class-paths\n-showversion\n-Xmx1g\n-d64",
     Texts{u"-cpx", u"-mx512m", u"--module-path=mods", u"-CP", u"-jarfile", u"-Dx=@y", u"-m2", u"--class-paths", u"-showversion", u"-Xmx1g", u"-d64"}},
    {"AtTheLimit", kLimit + "\r\n", Texts{}},
    {"OverTheLimit", kLimit + "\r\n\n", Refused(0, u"the file is larger than 64 KiB, far more than any list of options.")},
    {"OwnedOptionCountsEveryLine", "# c\r\n\r\n-Xmx1g\r\n  -jar \r\n", Owned(4, u"-jar")},
    {"OwnedAfterExpansion", "-Xmx1g\n%OWNED%", Owned(2, u"-jar")},
    {"ArgumentFile", "\n @more.txt", Refused(2, m::kOptionsFromAnotherFile)},
    {"ArgumentFileAfterExpansion", "%AT%", Refused(1, m::kOptionsFromAnotherFile)},
    {"Utf8Overlong", "ok\n\xE0\x9F\xBF", Refused(2, m::kOptionsNotUtf8)},
    {"Utf8EncodedSurrogate", "\xED\xA0\x80", Refused(1, m::kOptionsNotUtf8)},
    {"Utf8BeyondUnicode", "\xF4\x90\x80\x80", Refused(1, m::kOptionsNotUtf8)},
    {"Utf8StrayContinuation", "a\r\nb\r\n\x80", Refused(3, m::kOptionsNotUtf8)},
    {"Utf8CutAtTheEnd", "-Xmx1g\n-D\xE2\x82", Refused(2, m::kOptionsNotUtf8)},
    {"Latin1IsNotUtf8", "# caf\xE9\n", Refused(1, m::kOptionsNotUtf8)},
    {"Utf16BigEndianIsNotRead", "\xFE\xFF\0-", Refused(1, m::kOptionsNotUtf8)},
    {"Utf16LoneHighSurrogate", testing::Utf16File(u"a\nb\xD800"), Refused(2, m::kOptionsNotUtf16)},
    {"Utf16LoneLowSurrogate", testing::Utf16File(u"\xDC00\xD800"), Refused(1, m::kOptionsNotUtf16)},
    {"Utf16OddByte", testing::Utf16File(u"a\n") + "b", Refused(2, m::kOptionsNotUtf16)},
    {"NulInAComment", "-Xmx1g\n#\0\n"s, Refused(2, m::kOptionsNul)},
    {"Utf16WithoutBomHasNuls", "-\0X\0"s, Refused(1, m::kOptionsNul)},
    {"Utf16Nul", testing::Utf16File(u"a\r\n\r\nb\0"sv), Refused(3, m::kOptionsNul)}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Files, ParseTest, ::testing::ValuesIn(kParseCases),
                         [](const auto& test) { return std::string(std::get<0>(test.param)); });

// Each option the launcher decides, alone and with a value after '=' or a blank.
TEST(ParseTest, RefusesWhatTheLauncherDecides) {
  for (const std::u16string_view name : kLauncherOwnedOptions) {
    const std::string bytes(name.begin(), name.end());
    for (const std::string& line : {bytes, bytes + "=x.jar", bytes + " x.jar", bytes + "\tx"}) {
      EXPECT_EQ(Read(line), Outcome(Owned(1, name))) << line;
    }
  }
}

TEST(LoadVmOptionsTest, NoFileReadRefusedOrUnreadable) {
  testing::FakePlatform platform;
  platform.environment = kEnvironment;
  const std::u16string path = u"C:\\Smeltra.vmoptions";
  EXPECT_EQ(LoadVmOptions(platform, path), std::nullopt);
  platform.contents[path] = "-Xmx1g\n-Dhome=%APP%\n";
  EXPECT_EQ(LoadVmOptions(platform, path), (Texts{u"-Xmx1g", u"-Dhome=C:\\Program Files\\App"}));
  platform.contents[path] = std::string(kMaxVmOptionsBytes, '#');
  EXPECT_EQ(LoadVmOptions(platform, path), Texts{});
  EXPECT_EQ(platform.traces, (Texts{path + u": not there", path + u": read, 2 options",
                                    path + u": read, 0 options"}));
  // The system's words when the file is there but cannot be read.
  platform.read_error = LauncherError(u"In use.");
  try {
    LoadVmOptions(platform, path);
    ADD_FAILURE() << "a file that cannot be read gave options";
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.description(), u"Options file C:\\Smeltra.vmoptions: In use.");
  }
}

TEST(VmOptionsPathTest, NamedAfterTheLauncher) {
  EXPECT_EQ(VmOptionsPath(u"C:\\Smeltra\\Smeltra.exe"), u"C:\\Smeltra\\Smeltra.vmoptions");
  EXPECT_EQ(VmOptionsPath(u"D:\\a.b\\My.Server.EXE"), u"D:\\a.b\\My.Server.vmoptions");
  EXPECT_EQ(VmOptionsPath(u"\\\\srv\\a.b\\Server"), u"\\\\srv\\a.b\\Server.vmoptions");
}

// And an empty list adds nothing, so that a command without options stays as it was.
TEST(QuotedArgumentTest, QuotesOnlyWhereNeeded) {
  EXPECT_EQ(QuotedArguments(Texts{u"-Xmx1g", u"C:\\a\\", u"", u"a b\\", u"a\\\"b"}),
            u" -Xmx1g C:\\a\\ \"\" \"a b\\\\\" \"a\\\\\\\"b\"");
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
