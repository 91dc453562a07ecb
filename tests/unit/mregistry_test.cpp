#include <gtest/gtest.h>

#include "registry/launcher_error.h"
#include "registry/mregistry.h"
#include "tests/support/memory_registry.h"

namespace smeltra {
namespace {

using testing::MemoryRegistry;
using Bytes = std::vector<std::uint8_t>;
using namespace std::literals;

constexpr auto k64 = RegistryView::k64Bit;
constexpr auto kHklm = kHkeyLocalMachine;
const std::u16string kKey = u"SOFTWARE\\Test";

Bytes Le(std::u16string_view units) { return MemoryRegistry::LeBytes(units); }

// Every helper call closes what it opened and asks for read access alone.
void ExpectTidy(const MemoryRegistry& registry) {
  EXPECT_TRUE(registry.open.empty());
  for (const std::uint32_t mask : registry.access_masks) {
    EXPECT_EQ(mask & ~(kKeyWow64_64Key | kKeyWow64_32Key), kKeyRead);
  }
}

struct ConversionCase {
  const char* name;
  std::uint32_t type;
  Bytes data;
  RegistryValue expected;
  std::vector<std::uint32_t> query_sizes = {1024};
};

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, ReadsByTypeAndLength) {
  const ConversionCase& c = GetParam();
  MemoryRegistry registry;
  registry.SetValue(k64, kHklm, kKey, u"v", {c.type, c.data});
  EXPECT_EQ(RegReadValue(registry, k64, kHklm, kKey, u"v"), c.expected);
  EXPECT_EQ(registry.query_sizes, c.query_sizes);
  ExpectTidy(registry);
}

const std::u16string kLong(3000, u'x');

// clang-format off
INSTANTIATE_TEST_SUITE_P(ByType, ConversionTest, ::testing::Values(
    ConversionCase{"SzWithItsNul", 1, Le(u"abc\0"sv), u"abc"},
    ConversionCase{"SzWithoutNulKeepsItsLastCharacter", 1, Le(u"abc"sv), u"abc"},
    ConversionCase{"SzNulAloneIsEmpty", 1, Le(u"\0"sv), u""},
    ConversionCase{"SzZeroLengthIsEmpty", 1, {}, u""},
    ConversionCase{"SzInnerNulStays", 1, Le(u"a\0b\0"sv), u"a\0b"s},
    ConversionCase{"SzOddByteIsDropped", 1, {'a', 0, 'b'}, u"a"},
    ConversionCase{"SzLoneSurrogateKept", 1, Le(u"\xD800x\0"sv), u"\xD800x"},
    ConversionCase{"SzLongerThanTheFirstBuffer", 1, Le(kLong + u'\0'), kLong, {1024, 6002}},
    ConversionCase{"ExpandSzStaysUnexpanded", 2, Le(u"%SystemRoot%\0"sv), u"%SystemRoot%"},
    ConversionCase{"MultiSzOneTextJoinedByNuls", 7, Le(u"a\0b\0\0"sv), u"a\0b"s},
    ConversionCase{"DwordAllBitsIsMinusOne", 4, {0xFF, 0xFF, 0xFF, 0xFF}, -1},
    ConversionCase{"DwordIsLittleEndian", 4, {1, 2, 0, 0}, 0x0201},
    ConversionCase{"DwordShortReadsZeroes", 4, {7}, 7},
    ConversionCase{"BinaryExactLength", 3, {1, 2, 3}, Bytes{1, 2, 3}},
    ConversionCase{"BinaryZeroLength", 3, {}, Bytes{}},
    ConversionCase{"BinaryOfExactlyTheFirstBuffer", 3, Bytes(1024, 9), Bytes(1024, 9)},
    ConversionCase{"BinaryLargerTakesASecondQuery", 3, Bytes(5000, 9), Bytes(5000, 9), {1024, 5000}}),
    [](const auto& test) { return std::string(test.param.name); });
// clang-format on

TEST(RegReadValueTest, UnsupportedTypesThrowAndCloseTheKey) {
  for (const std::uint32_t type : {0u, 5u, 6u, 11u}) {
    MemoryRegistry registry;
    registry.SetValue(k64, kHklm, kKey, u"v", {type, {1, 0, 0, 0}});
    try {
      RegReadValue(registry, k64, kHklm, kKey, u"v", RegistryValue{5});
      ADD_FAILURE() << "type " << type << " was read";
    } catch (const LauncherError& error) {
      EXPECT_EQ(error.number(), 1001);
      EXPECT_EQ(error.description(), u"Unsupported value type");
    }
    ExpectTidy(registry);
  }
}

TEST(RegReadValueTest, WhatCannotBeReadGivesTheDefault) {
  MemoryRegistry registry;
  registry.SetString(k64, kHklm, kKey, u"present", u"x");
  registry.At(k64, kHklm, u"SOFTWARE\\Denied").denied = true;
  registry.SetValue(k64, kHklm, kKey, u"grows", {3, Bytes(2000), 1});
  const RegistryValue text = u"default";
  for (const auto& [path, name] :
       std::vector<std::pair<std::u16string, std::u16string>>{{u"SOFTWARE\\Missing", u"present"},
                                                              {u"SOFTWARE\\Denied", u"present"},
                                                              {kKey, u"missing"},
                                                              {kKey, u"grows"}}) {
    EXPECT_EQ(RegReadValue(registry, k64, kHklm, path, name, text), text);
    EXPECT_EQ(RegReadValue(registry, k64, kHklm, path, name, RegistryValue{-7}), RegistryValue{-7});
    EXPECT_EQ(RegReadValue(registry, k64, kHklm, path, name), RegistryValue{});
  }
  ExpectTidy(registry);
}

TEST(RegKeyExistsTest, OpensForReadingOnly) {
  MemoryRegistry registry;
  registry.AddKey(k64, kHklm, kKey);
  registry.At(k64, kHklm, u"SOFTWARE\\Denied").denied = true;
  EXPECT_TRUE(RegKeyExists(registry, k64, kHklm, kKey));
  EXPECT_TRUE(RegKeyExists(registry, k64, kHklm, u"software\\TEST"));
  EXPECT_TRUE(RegKeyExists(registry, k64, kHklm, u""));
  EXPECT_FALSE(RegKeyExists(registry, k64, kHklm, u"SOFTWARE\\Denied"));
  EXPECT_FALSE(RegKeyExists(registry, k64, kHklm, u"SOFTWARE\\Missing"));
  EXPECT_FALSE(RegKeyExists(registry, RegistryView::k32Bit, kHklm, kKey));
  ExpectTidy(registry);
}

TEST(RegListSubkeysTest, NamesInEnumerationOrder) {
  MemoryRegistry registry;
  for (const char16_t* name : {u"b", u"a", u"\xDC00 lone", u"c"}) {
    registry.AddKey(k64, kHklm, kKey + u"\\" + name);
  }
  registry.At(k64, kHklm, u"SOFTWARE\\Denied").denied = true;
  const std::vector<std::u16string> all = {u"b", u"a", u"\xDC00 lone", u"c"};
  EXPECT_EQ(RegListSubkeys(registry, k64, kHklm, kKey), all);
  EXPECT_TRUE(RegListSubkeys(registry, k64, kHklm, kKey + u"\\b").empty());
  EXPECT_TRUE(RegListSubkeys(registry, k64, kHklm, u"SOFTWARE\\Denied").empty());
  EXPECT_TRUE(RegListSubkeys(registry, k64, kHklm, u"SOFTWARE\\Missing").empty());
  ExpectTidy(registry);

  // An empty path lists the caller's own key and leaves it open.
  KeyHandle own = 0;
  ASSERT_EQ(registry.OpenKey(kHklm, kKey, kKeyRead, own), 0);
  EXPECT_EQ(RegListSubkeys(registry, k64, own, u""), all);
  EXPECT_TRUE(registry.open.contains(own));

  // A failing enumeration ends the list quietly.
  registry.At(k64, kHklm, kKey).failure = {{2, 5}};
  EXPECT_EQ(RegListSubkeys(registry, k64, kHklm, kKey), (std::vector<std::u16string>{u"b", u"a"}));
}

TEST(RegListSubkeysTest, NamesEqualButForCaseThrowAndCloseTheKey) {
  MemoryRegistry registry;
  registry.AddKey(k64, kHklm, kKey + u"\\Jre");
  registry.At(k64, kHklm, kKey).subkeys.push_back(u"JRE");
  try {
    RegListSubkeys(registry, k64, kHklm, kKey);
    ADD_FAILURE() << "no error";
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.number(), 1002);
    EXPECT_EQ(error.description(), u"Duplicate subkey name: JRE");
  }
  ExpectTidy(registry);
}

}  // namespace
}  // namespace smeltra
