#include <gtest/gtest.h>

#include "registry/launcher_error.h"
#include "registry/memory_registry.h"
#include "registry/mregistry.h"
#include "registry_test_support.h"

namespace smeltra {
namespace {

using testing::Bytes;
using testing::WideBytes;

constexpr std::string_view kKey = "SOFTWARE\\Sample";
constexpr auto kView = RegistryView::k64Bit;

std::vector<std::uint8_t> Filled(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  return bytes;
}

struct ConversionCase {
  const char* name;
  std::uint32_t type;
  std::vector<std::uint8_t> data;
  RegistryValue expected;
  std::size_t queries;
};

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, ConvertsByTypeAndClosesTheKey) {
  const ConversionCase& c = GetParam();
  InMemoryRegistry registry;
  registry.SetValue(kView, kHkeyLocalMachine, kKey, "Value", c.type, c.data);

  const RegistryValue value = RegReadValue(registry, kView, kHkeyLocalMachine, kKey, "Value");

  EXPECT_EQ(value, c.expected);
  EXPECT_EQ(registry.query_count(), c.queries);
  EXPECT_EQ(registry.open_handle_count(), 0u);
  EXPECT_TRUE(testing::OnlyReadAccessRequested(registry.requested_access()));
}

const std::string kLongText(3000, 'j');

INSTANTIATE_TEST_SUITE_P(
    ByTypeAndLength, ConversionTest,
    ::testing::Values(
        ConversionCase{"SzWithTerminator", reg_type::kSz, WideBytes(u"abc"), std::string("abc"), 1},
        ConversionCase{"SzWithoutTerminatorKeepsLastCharacter", reg_type::kSz,
                       WideBytes(u"C:\\jre", 0), std::string("C:\\jre"), 1},
        ConversionCase{"SzInnerNulStays", reg_type::kSz, WideBytes(std::u16string(u"a\0b", 3)),
                       std::string("a\0b", 3), 1},
        ConversionCase{"SzOnlyTerminatorIsEmpty", reg_type::kSz, WideBytes(u""), std::string(), 1},
        ConversionCase{"SzZeroLengthIsEmpty", reg_type::kSz, {}, std::string(), 1},
        ConversionCase{"SzOddLengthDecodesWholeUnits", reg_type::kSz, Bytes({'a', 0, 'b', 0, 'c'}),
                       std::string("ab"), 1},
        ConversionCase{"SzOutsideAnyCodePage", reg_type::kSz,
                       WideBytes(u"C:\\Jävä\\日本\U0001D11E"),
                       std::string("C:\\J\u00e4v\u00e4\\\u65e5\u672c\U0001D11E"), 1},
        ConversionCase{"SzLongerThanFirstBuffer", reg_type::kSz,
                       WideBytes(std::u16string(kLongText.begin(), kLongText.end())), kLongText, 2},
        ConversionCase{"ExpandSzStaysUnexpanded", reg_type::kExpandSz,
                       WideBytes(u"%SystemRoot%\\java"), std::string("%SystemRoot%\\java"), 1},
        ConversionCase{"MultiSzJoinedByNul", reg_type::kMultiSz,
                       WideBytes(std::u16string(u"a\0b", 3), 2), std::string("a\0b", 3), 1},
        ConversionCase{"MultiSzOneString", reg_type::kMultiSz, WideBytes(u"a", 2), std::string("a"),
                       1},
        ConversionCase{"MultiSzMissingListEnd", reg_type::kMultiSz, WideBytes(u"a", 1),
                       std::string("a"), 1},
        ConversionCase{"MultiSzZeroLengthIsEmpty", reg_type::kMultiSz, {}, std::string(), 1},
        ConversionCase{"DwordAllBitsIsMinusOne", reg_type::kDword, Bytes({0xff, 0xff, 0xff, 0xff}),
                       std::int32_t{-1}, 1},
        ConversionCase{"DwordLittleEndian", reg_type::kDword, Bytes({0x01, 0x02, 0x03, 0x04}),
                       std::int32_t{0x04030201}, 1},
        ConversionCase{"DwordShortReadsZeroes", reg_type::kDword, Bytes({0x34, 0x12}),
                       std::int32_t{0x1234}, 1},
        ConversionCase{"BinaryExactLength", reg_type::kBinary, Bytes({1, 2, 3}),
                       RegistryBytes{1, 2, 3}, 1},
        ConversionCase{"BinaryZeroLengthIsEmptyArray", reg_type::kBinary, {}, RegistryBytes{}, 1},
        ConversionCase{"BinaryFillingFirstBufferNeedsOneQuery", reg_type::kBinary, Filled(1024),
                       Filled(1024), 1},
        ConversionCase{"BinaryOneByteOverNeedsSecondQuery", reg_type::kBinary, Filled(1025),
                       Filled(1025), 2},
        ConversionCase{"Binary5000Bytes", reg_type::kBinary, Filled(5000), Filled(5000), 2}),
    testing::NameOfCase());

class UnsupportedTypeTest : public ::testing::TestWithParam<std::uint32_t> {};

TEST_P(UnsupportedTypeTest, RaisesErrorAfterClosingTheKey) {
  InMemoryRegistry registry;
  registry.SetValue(kView, kHkeyLocalMachine, kKey, "Value", GetParam(), Bytes({1, 2, 3, 4}));
  try {
    RegReadValue(registry, kView, kHkeyLocalMachine, kKey, "Value", RegistryValue{7});
    FAIL() << "no error raised";
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.number(), 1001);
    EXPECT_EQ(error.description(), "Unsupported value type");
  }
  EXPECT_EQ(registry.open_handle_count(), 0u);
}

INSTANTIATE_TEST_SUITE_P(NoneBigEndianLinkQwordAndLater, UnsupportedTypeTest,
                         ::testing::Values(reg_type::kNone, reg_type::kDwordBigEndian,
                                           reg_type::kLink, 8u, 9u, 10u, reg_type::kQword, 12u));

struct UnreadableCase {
  const char* name;
  std::optional<RegistryValue> default_value;
};

class UnreadableValueTest : public ::testing::TestWithParam<UnreadableCase> {
 protected:
  // Gives the default back unchanged (Empty without one) and leaves no key open.
  void ExpectDefault(InMemoryRegistry& registry, std::string_view key, std::string_view value) {
    const RegistryValue read =
        RegReadValue(registry, kView, kHkeyLocalMachine, key, value, GetParam().default_value);
    EXPECT_EQ(read, GetParam().default_value.value_or(RegistryValue{}));
    EXPECT_EQ(registry.open_handle_count(), 0u);
  }
};

TEST_P(UnreadableValueTest, MissingKey) {
  InMemoryRegistry registry;
  ExpectDefault(registry, "SOFTWARE\\Nowhere", "Value");
}

TEST_P(UnreadableValueTest, DeniedKey) {
  InMemoryRegistry registry;
  registry.SetString(kView, kHkeyLocalMachine, kKey, "Value", "secret");
  registry.DenyAccess(kView, kHkeyLocalMachine, kKey);
  ExpectDefault(registry, kKey, "Value");
}

TEST_P(UnreadableValueTest, MissingValue) {
  InMemoryRegistry registry;
  registry.SetString(kView, kHkeyLocalMachine, kKey, "Other", "x");
  ExpectDefault(registry, kKey, "Value");
  EXPECT_EQ(registry.close_count(), 1u);
}

TEST_P(UnreadableValueTest, ValueGrowingBetweenTheTwoQueries) {
  InMemoryRegistry registry;
  registry.SetValue(kView, kHkeyLocalMachine, kKey, "Value", reg_type::kBinary, Filled(2000));
  registry.GrowOnQuery(kView, kHkeyLocalMachine, kKey, "Value", 10);
  ExpectDefault(registry, kKey, "Value");
  EXPECT_EQ(registry.query_count(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    EachKindOfDefault, UnreadableValueTest,
    ::testing::Values(UnreadableCase{"Omitted", std::nullopt},
                      UnreadableCase{"Integer", RegistryValue{std::int32_t{42}}},
                      UnreadableCase{"Text", RegistryValue{std::string("fallback")}},
                      UnreadableCase{"Bytes", RegistryValue{RegistryBytes{9, 8}}},
                      UnreadableCase{"ExplicitEmpty", RegistryValue{}}),
    testing::NameOfCase());

TEST(RegReadValueTest, ReadsTheRequestedView) {
  InMemoryRegistry registry;
  registry.SetString(RegistryView::k64Bit, kHkeyLocalMachine, kKey, "Value", "sixty-four");
  registry.SetString(RegistryView::k32Bit, kHkeyLocalMachine, kKey, "Value", "thirty-two");

  EXPECT_EQ(RegReadValue(registry, RegistryView::k32Bit, kHkeyLocalMachine, kKey, "Value"),
            RegistryValue{std::string("thirty-two")});
  EXPECT_EQ(registry.requested_access().back(), kKeyRead | kKeyWow64_32Key);
  EXPECT_EQ(RegReadValue(registry, RegistryView::k64Bit, kHkeyLocalMachine, kKey, "Value"),
            RegistryValue{std::string("sixty-four")});
  EXPECT_EQ(registry.requested_access().back(), kKeyRead | kKeyWow64_64Key);
}

}  // namespace
}  // namespace smeltra
