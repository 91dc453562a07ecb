#include <gtest/gtest.h>

#include "registry/launcher_error.h"
#include "registry/mregistry.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using testing::MemoryRegistry;
using Bytes = std::vector<std::uint8_t>;
using Names = std::vector<std::u16string>;
using namespace std::literals;

constexpr auto k64 = RegistryView::k64Bit;
constexpr auto kHklm = kHkeyLocalMachine;
const std::u16string kKey = u"SOFTWARE\\Test";
const std::u16string kDenied = u"SOFTWARE\\Denied";
const std::u16string kMissing = u"SOFTWARE\\Missing";

Bytes Le(std::u16string_view units) { return MemoryRegistry::LeBytes(units); }

struct ConversionCase {
  const char* name;
  std::uint32_t type;
  Bytes data;
  std::optional<RegistryValue> expected;  // none: the type is not supported
  std::vector<std::uint32_t> query_sizes = {1024};
};

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, ReadsByTypeAndLength) {
  const ConversionCase& c = GetParam();
  MemoryRegistry registry;
  registry.SetValue(k64, kHklm, kKey, u"v", {c.type, c.data});
  std::optional<RegistryValue> read;
  try {
    read = RegReadValue(registry, k64, kHklm, kKey, u"v", RegistryValue{5});
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.number(), error_number::kUnsupportedValueType);
  }
  EXPECT_EQ(read, c.expected);
  EXPECT_EQ(registry.query_sizes, c.query_sizes);
  EXPECT_TRUE(registry.Tidy());
}

const std::u16string kLong(3000, u'x');

const ConversionCase kConversions[] = {
    {"SzWithItsNul", 1, Le(u"abc\0"sv), u"abc"},
    {"SzWithoutNulKeepsItsLastCharacter", 1, Le(u"abc"sv), u"abc"},
    {"SzNulAloneIsEmpty", 1, Le(u"\0"sv), u""},
    {"SzZeroLengthIsEmpty", 1, {}, u""},
    {"SzInnerNulStays", 1, Le(u"a\0b\0"sv), u"a\0b"s},
    {"SzOddByteIsDropped", 1, {'a', 0, 'b'}, u"a"},
    {"SzLoneSurrogateKept", 1, Le(u"\xD800x\0"sv), u"\xD800x"},
    {"SzLongerThanTheFirstBuffer", 1, Le(kLong + u'\0'), kLong, {1024, 6002}},
    {"ExpandSzStaysUnexpanded", 2, Le(u"%SystemRoot%\0"sv), u"%SystemRoot%"},
    {"MultiSzOneTextJoinedByNuls", 7, Le(u"a\0b\0\0"sv), u"a\0b"s},
    {"DwordAllBitsIsMinusOne", 4, {0xFF, 0xFF, 0xFF, 0xFF}, -1},
    {"DwordIsLittleEndian", 4, {1, 2, 0, 0}, 0x0201},
    {"DwordShortReadsZeroes", 4, {7}, 7},
    {"BinaryExactLength", 3, {1, 2, 3}, Bytes{1, 2, 3}},
    {"BinaryZeroLength", 3, {}, Bytes{}},
    {"BinaryOfExactlyTheFirstBuffer", 3, Bytes(1024, 9), Bytes(1024, 9)},
    {"BinaryLargerTakesASecondQuery", 3, Bytes(5000, 9), Bytes(5000, 9), {1024, 5000}},
    {"NoneIsUnsupported", 0, {1, 0, 0, 0}, std::nullopt},
    {"QwordIsUnsupported", 11, {1, 0, 0, 0}, std::nullopt}};
INSTANTIATE_TEST_SUITE_P(ByType, ConversionTest, ::testing::ValuesIn(kConversions),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(RegReadValueTest, WhatCannotBeReadGivesTheDefault) {
  MemoryRegistry registry;
  registry.At(k64, kHklm, kDenied).denied = true;
  registry.SetValue(k64, kHklm, kKey, u"grows", {3, Bytes(2000), 1});
  const std::pair<std::u16string, std::u16string> unreadable[] = {
      {kMissing, u"v"}, {kDenied, u"v"}, {kKey, u"missing"}, {kKey, u"grows"}};
  for (const auto& [path, name] : unreadable) {
    EXPECT_EQ(RegReadValue(registry, k64, kHklm, path, name, RegistryValue{-7}), RegistryValue{-7});
    EXPECT_EQ(RegReadValue(registry, k64, kHklm, path, name), RegistryValue{});
  }
  EXPECT_TRUE(registry.Tidy());
}

TEST(RegKeysTest, ExistAndListForReadingOnly) {
  MemoryRegistry registry;
  const Names all = {u"b", u"a", u"\xDC00 lone", u"c"};
  for (const std::u16string& name : all) registry.At(k64, kHklm, kKey + u"\\" + name);
  registry.At(k64, kHklm, kDenied).denied = true;
  registry.At(k64, kHklm, kKey + u"\\a").subkeys = {u"Jre", u"JRE"};
  // clang-format off
  const std::tuple<std::u16string, bool, Names> keys[] = {
      {u"software\\TEST", true, all}, {kKey + u"\\b", true, {}}, {u"", true, {u"SOFTWARE"}},
      {kDenied, false, {}}, {kMissing, false, {}}};
  // clang-format on
  for (const auto& [path, exists, subkeys] : keys) {
    EXPECT_EQ(RegKeyExists(registry, k64, kHklm, path), exists);
    EXPECT_EQ(RegListSubkeys(registry, k64, kHklm, path), subkeys);
  }
  EXPECT_FALSE(RegKeyExists(registry, RegistryView::k32Bit, kHklm, kKey));
  try {
    RegListSubkeys(registry, k64, kHklm, kKey + u"\\a");
    ADD_FAILURE() << "names equal but for case were listed";
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.number(), error_number::kDuplicateSubkey);
    EXPECT_EQ(error.description(), u"Duplicate subkey name: JRE");
  }
  EXPECT_TRUE(registry.Tidy());

  // An empty path lists the caller's own key and leaves it open.
  KeyHandle own = 0;
  ASSERT_EQ(registry.OpenKey(kHklm, kKey, kKeyRead, own), 0);
  EXPECT_EQ(RegListSubkeys(registry, k64, own, u""), all);
  EXPECT_TRUE(registry.open.contains(own));

  // A failing enumeration ends the list quietly.
  registry.At(k64, kHklm, kKey).failure = {{2, 5}};
  EXPECT_EQ(RegListSubkeys(registry, k64, kHklm, kKey), (Names{u"b", u"a"}));
}

}  // namespace
}  // namespace smeltra
