// The options file beside the launcher. How its options are quoted on the
// runtime's command line is read back by the system itself, in the Windows
// tests.

#include "launcher/vm_options.h"

#include <gtest/gtest.h>

#include <variant>

#include "launcher/messages.h"
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

struct ParseCase {
  const char* name;
  std::string bytes;  // the file's
  Outcome outcome;
};
class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, ReadsOrRefuses) { EXPECT_EQ(Read(GetParam().bytes), GetParam().outcome); }

const std::string kLimit(kMaxVmOptionsBytes - 2, '#');

// clang-format off
const ParseCase kParseCases[] = {
    {.name = "Utf8OneOptionALine", .bytes = "-Xmx512m\n-Dname=a b\n-Dp=\"C:\\x\\\"", .outcome = Texts{u"-Xmx512m", u"-Dname=a b", u"-Dp=\"C:\\x\\\""}},
    {.name = "Utf8BomIsNoPartOfTheFirstOption", .bytes = "\xEF\xBB\xBF-Xmx1g\r\n-Xss2m\r\n", .outcome = Texts{u"-Xmx1g", u"-Xss2m"}},
    {.name = "Utf8NonAscii", .bytes = "-Dcity=Z\xC3\xBCrich \xE2\x82\xAC\xF0\x9D\x84\x9E", .outcome = Texts{u"-Dcity=Z\u00fcrich \u20ac\U0001D11E"}},
    {.name = "Utf16LittleEndianWithBom", .bytes = testing::Utf16File(u"-Xmx1g\r\n-D\u00e4=\u20ac \U0001D11E\r\n"), .outcome = Texts{u"-Xmx1g", u"-D\u00e4=\u20ac \U0001D11E"}},
    {.name = "CommentsBlankLinesAndBlanksAround",
     .bytes = "# heap\n\n \t \n  -Xmx1g \t\n\t# -jar x.jar\n-Da=#b\n#", .outcome = Texts{u"-Xmx1g", u"-Da=#b"}},
    {.name = "LoneCrEndsALineAndNoLastLineEnd", .bytes = "-Xmx1g\r-Xss2m\r\n\r\n-Dz", .outcome = Texts{u"-Xmx1g", u"-Xss2m", u"-Dz"}},
    {.name = "ExpandedAndTrimmedAgain", .bytes = "-Dhome=%APP%\\x\n%HEAP%\n-D%UNSET%=1\n%BLANK%\n",
     .outcome = Texts{u"-Dhome=C:\\Program Files\\App\\x", u"-Xmx2g", u"-D%UNSET%=1"}},
    {.name = "LooksLikeOwnedButIsNot", .bytes = "-cpx\n-mx512m\n--module-path=mods\n-CP\n-jarfile\n-Dx=@y\n-m2\n--class-paths\n-showversion\n-Xmx1g\n-d64",
     .outcome = Texts{u"-cpx", u"-mx512m", u"--module-path=mods", u"-CP", u"-jarfile", u"-Dx=@y", u"-m2", u"--class-paths", u"-showversion", u"-Xmx1g", u"-d64"}},
    {.name = "AtTheLimit", .bytes = kLimit + "\r\n", .outcome = Texts{}},
    {.name = "OverTheLimit", .bytes = kLimit + "\r\n\n", .outcome = Refused(0, u"the file is larger than 64 KiB, far more than any list of options.")},
    {.name = "OwnedOptionCountsEveryLine", .bytes = "# c\r\n\r\n-Xmx1g\r\n  -jar \r\n", .outcome = Owned(4, u"-jar")},
    {.name = "OwnedAfterExpansion", .bytes = "-Xmx1g\n%OWNED%", .outcome = Owned(2, u"-jar")},
    {.name = "ArgumentFile", .bytes = "\n @more.txt", .outcome = Refused(2, m::kOptionsFromAnotherFile)},
    {.name = "ArgumentFileAfterExpansion", .bytes = "%AT%", .outcome = Refused(1, m::kOptionsFromAnotherFile)},
    {.name = "Utf8Overlong", .bytes = "ok\n\xE0\x9F\xBF", .outcome = Refused(2, m::kOptionsNotUtf8)},
    {.name = "Utf8EncodedSurrogate", .bytes = "\xED\xA0\x80", .outcome = Refused(1, m::kOptionsNotUtf8)},
    {.name = "Utf8BeyondUnicode", .bytes = "\xF4\x90\x80\x80", .outcome = Refused(1, m::kOptionsNotUtf8)},
    {.name = "Utf8StrayContinuation", .bytes = "a\r\nb\r\n\x80", .outcome = Refused(3, m::kOptionsNotUtf8)},
    {.name = "Utf8CutAtTheEnd", .bytes = "-Xmx1g\n-D\xE2\x82", .outcome = Refused(2, m::kOptionsNotUtf8)},
    {.name = "Latin1IsNotUtf8", .bytes = "# caf\xE9\n", .outcome = Refused(1, m::kOptionsNotUtf8)},
    {.name = "Utf16BigEndianIsNotRead", .bytes = "\xFE\xFF\0-", .outcome = Refused(1, m::kOptionsNotUtf8)},
    {.name = "Utf16LoneHighSurrogate", .bytes = testing::Utf16File(u"a\nb\xD800"), .outcome = Refused(2, m::kOptionsNotUtf16)},
    {.name = "Utf16LoneLowSurrogate", .bytes = testing::Utf16File(u"\xDC00\xD800"), .outcome = Refused(1, m::kOptionsNotUtf16)},
    {.name = "Utf16OddByte", .bytes = testing::Utf16File(u"a\n") + "b", .outcome = Refused(2, m::kOptionsNotUtf16)},
    {.name = "NulInAComment", .bytes = "-Xmx1g\n#\0\n"s, .outcome = Refused(2, m::kOptionsNul)},
    {.name = "Utf16Nul", .bytes = testing::Utf16File(u"a\r\n\r\nb\0"sv), .outcome = Refused(3, m::kOptionsNul)}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Files, ParseTest, ::testing::ValuesIn(kParseCases),
                         [](const auto& test) { return std::string(test.param.name); });

// Each option that sets what runs or prints and ends the runtime, alone and
// with a value after '=' or a blank, named here rather than read from the
// launcher's own list, which could lose one unseen.
TEST(ParseTest, RefusesWhatTheLauncherDecides) {
  // clang-format off
  for (const std::string_view name :
       {"-cp", "-classpath", "--class-path", "-jar", "-m", "--module", "-version", "--version",
        "-fullversion", "--full-version", "-help", "--help", "-h", "-?", "-X", "--help-extra",
        "--dry-run", "--list-modules", "--describe-module", "-d", "--validate-modules",
        "-Xshare:dump"}) {
    // clang-format on
    const std::string option(name);
    for (const std::string& line : {option, option + "=x.jar", option + " x.jar", option + "\tx"})
      EXPECT_EQ(Read(line), Outcome(Owned(1, std::u16string(name.begin(), name.end())))) << line;
  }
}

TEST(LoadVmOptionsTest, NoFileReadRefusedOrUnreadable) {
  testing::FakePlatform platform;
  platform.environment = kEnvironment;
  const std::u16string path = u"C:\\Smeltra.vmoptions";
  EXPECT_EQ(LoadVmOptions(platform, path), std::nullopt);
  platform.contents[path] = "-Xmx1g\n-Dhome=%APP%\n";
  EXPECT_EQ(LoadVmOptions(platform, path), (Texts{u"-Xmx1g", u"-Dhome=C:\\Program Files\\App"}));
  EXPECT_EQ(platform.traces, (Texts{path + u": not there", path + u": read, 2 options"}));
  // The system's words when the file is there but cannot be read.
  platform.read_error = LauncherError(u"In use.");
  EXPECT_EQ(testing::ThrownBy([&] { LoadVmOptions(platform, path); }),
            u"Options file C:\\Smeltra.vmoptions: In use.");
}

TEST(VmOptionsPathTest, NamedAfterTheLauncher) {
  EXPECT_EQ(VmOptionsPath(u"C:\\Smeltra\\Smeltra.exe"), u"C:\\Smeltra\\Smeltra.vmoptions");
  EXPECT_EQ(VmOptionsPath(u"D:\\a.b\\My.Server.EXE"), u"D:\\a.b\\My.Server.vmoptions");
  EXPECT_EQ(VmOptionsPath(u"\\\\srv\\a.b\\Server"), u"\\\\srv\\a.b\\Server.vmoptions");
}

}  // namespace
}  // namespace smeltra
