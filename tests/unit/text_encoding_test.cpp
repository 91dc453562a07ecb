#include <gtest/gtest.h>

#include "registry/text_encoding.h"

namespace smeltra {
namespace {

struct RoundTripCase {
  std::string_view utf8;
  std::u16string_view utf16;
};

class TextEncodingTest : public ::testing::TestWithParam<RoundTripCase> {};

TEST_P(TextEncodingTest, ConvertsBothWays) {
  EXPECT_EQ(Utf8ToUtf16(GetParam().utf8), GetParam().utf16);
  EXPECT_EQ(Utf16ToUtf8(GetParam().utf16), GetParam().utf8);
}

INSTANTIATE_TEST_SUITE_P(
    WellFormed, TextEncodingTest,
    ::testing::Values(RoundTripCase{"", u""}, RoundTripCase{"C:\\jre", u"C:\\jre"},
                      RoundTripCase{std::string_view("a\0b", 3), std::u16string_view(u"a\0b", 3)},
                      RoundTripCase{"\u00e4\u00df", u"\u00e4\u00df"},
                      RoundTripCase{"\u65e5\u672c", u"\u65e5\u672c"},
                      RoundTripCase{"\U0001D11E", u"\U0001D11E"}));

TEST(TextEncodingTest, MalformedInputBecomesReplacementCharacters) {
  EXPECT_EQ(Utf16ToUtf8(std::u16string(1, char16_t{0xD800})), "\uFFFD");
  EXPECT_EQ(Utf16ToUtf8(u"a" + std::u16string(1, char16_t{0xDC00}) + u"b"), "a\uFFFDb");
  EXPECT_EQ(Utf8ToUtf16("a\xff"), u"a\uFFFD");
  EXPECT_EQ(Utf8ToUtf16("\xe6\x97"), u"\uFFFD\uFFFD");            // truncated sequence
  EXPECT_EQ(Utf8ToUtf16("\xc0\xaf"), u"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(Utf8ToUtf16("\xed\xa0\x80"), u"\uFFFD\uFFFD\uFFFD");  // encoded surrogate
}

TEST(TextEncodingTest, LittleEndianBytesIgnoreAnOddLastByte) {
  const std::vector<std::uint8_t> bytes = {'h', 0, 0xe4, 0, 0x34, 0xd8, 0x1e, 0xdd, 'x'};
  EXPECT_EQ(Utf16LeBytesToUnits(bytes), u"h\u00e4\U0001D11E");
  EXPECT_EQ(Utf16UnitsToLeBytes(u"h\u00e4\U0001D11E"),
            std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1));
}

TEST(TextEncodingTest, FirstCharactersCountsCodePoints) {
  EXPECT_EQ(FirstCharacters("1.4.2", 3), "1.4");
  EXPECT_EQ(FirstCharacters("2", 3), "2");
  EXPECT_EQ(FirstCharacters("\u00e4\u00e4\u00e4\u00e4", 3), "\u00e4\u00e4\u00e4");
  EXPECT_EQ(FirstCharacters("a\xff\xff\xff", 2), "a\xff");
}

}  // namespace
}  // namespace smeltra
