// The registry backend and the read-only helpers over it, against the
// system's real registry.

#include "registry/windows/windows_registry.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "registry/launcher_error.h"
#include "registry/mregistry.h"
#include "tests/unit/registry_test_support.h"
#include "tests/windows/registry_scratch_key.h"

namespace smeltra {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using testing::Bytes;
using testing::NameOfCase;
using testing::ScratchKey;
using testing::WideBytes;

constexpr std::wstring_view kScratchParent = L"Software\\SmeltraTests";

HKEY AsHkey(KeyHandle opened) {
  return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(opened));
}

struct ValueCase {
  std::string name;
  std::wstring value_name;
  DWORD type;
  std::vector<std::uint8_t> data;
  RegistryValue expected;
};

class RegReadValueOnWindows : public ::testing::TestWithParam<ValueCase> {};

TEST_P(RegReadValueOnWindows, ReadsWhatWasStored) {
  const ValueCase& c = GetParam();
  const ScratchKey scratch(HKEY_CURRENT_USER, kScratchParent);
  scratch.SetValue(c.value_name, c.type, c.data);
  WindowsRegistry registry;
  EXPECT_EQ(RegReadValue(registry, RegistryView::kNative, kHkeyCurrentUser, scratch.path(),
                         Narrow(c.value_name)),
            c.expected);
}

std::u16string Repeated(char16_t unit, std::size_t count) { return std::u16string(count, unit); }

INSTANTIATE_TEST_SUITE_P(
    EveryType, RegReadValueOnWindows,
    ::testing::Values(
        ValueCase{"SzWithTerminator", L"JavaHome", REG_SZ, WideBytes(u"C:\\Java\\jre1.8"),
                  "C:\\Java\\jre1.8"s},
        ValueCase{"SzWithoutTerminator", L"JavaHome", REG_SZ, WideBytes(u"C:\\jre", 0), "C:\\jre"s},
        ValueCase{"SzWithInnerNul", L"v", REG_SZ, WideBytes(u"ab\0cd"sv), "ab\0cd"s},
        ValueCase{"SzEmpty", L"v", REG_SZ, WideBytes(u""), ""s},
        ValueCase{"ExpandSzStaysUnexpanded", L"v", REG_EXPAND_SZ,
                  WideBytes(u"%ProgramFiles%\\Java"), "%ProgramFiles%\\Java"s},
        ValueCase{"MultiSzJoinedByNuls", L"v", REG_MULTI_SZ, WideBytes(u"one\0two"sv, 2),
                  "one\0two"s},
        ValueCase{"Dword", L"v", REG_DWORD, Bytes({0x78, 0x56, 0x34, 0x12}),
                  std::int32_t{0x12345678}},
        ValueCase{"DwordNegative", L"v", REG_DWORD, Bytes({0xFE, 0xFF, 0xFF, 0xFF}),
                  std::int32_t{-2}},
        ValueCase{"DwordShortReadsZeroes", L"v", REG_DWORD, Bytes({0x05, 0x01}),
                  std::int32_t{0x105}},
        ValueCase{"Binary", L"v", REG_BINARY, Bytes({0x00, 0x01, 0x7F, 0xFF}),
                  RegistryBytes{0x00, 0x01, 0x7F, 0xFF}},
        ValueCase{"BinaryEmpty", L"v", REG_BINARY, {}, RegistryBytes{}},
        // 511 units and the terminator fill the first 1024-byte query exactly.
        ValueCase{"Text1024Bytes", L"v", REG_SZ, WideBytes(Repeated(u'x', 511)),
                  std::string(511, 'x')},
        ValueCase{"Text1026BytesTakesSecondQuery", L"v", REG_SZ, WideBytes(Repeated(u'y', 512)),
                  std::string(512, 'y')},
        ValueCase{"Text5000Bytes", L"v", REG_SZ, WideBytes(Repeated(u'z', 2499)),
                  std::string(2499, 'z')},
        ValueCase{"Binary5000Bytes", L"v", REG_BINARY, std::vector<std::uint8_t>(5000, 0xA5),
                  RegistryBytes(5000, 0xA5)},
        ValueCase{"NonAsciiNameAndData", L"J\u00e4v\u00e4 \u0124ome \u2713\U0001D11E", REG_SZ,
                  WideBytes(u"C:\\Pr\u00f6gram F\u00efles\\\u00c9t\u00e9 \U0001D11E"),
                  "C:\\Pr\u00f6gram F\u00efles\\\u00c9t\u00e9 \U0001D11E"s},
        ValueCase{"DefaultValueOfTheKey", L"", REG_SZ, WideBytes(u"the default"), "the default"s}),
    NameOfCase());

struct UnsupportedCase {
  std::string name;
  DWORD type;
  std::vector<std::uint8_t> data;
};

class UnsupportedTypeOnWindows : public ::testing::TestWithParam<UnsupportedCase> {};

TEST_P(UnsupportedTypeOnWindows, RaisesError1001) {
  const UnsupportedCase& c = GetParam();
  const ScratchKey scratch(HKEY_CURRENT_USER, kScratchParent);
  scratch.SetValue(L"v", c.type, c.data);
  WindowsRegistry registry;
  try {
    RegReadValue(registry, RegistryView::kNative, kHkeyCurrentUser, scratch.path(), "v");
    FAIL() << "no error raised";
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.number(), error_number::kUnsupportedValueType);
    EXPECT_EQ(error.description(), "Unsupported value type");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Types, UnsupportedTypeOnWindows,
    ::testing::Values(UnsupportedCase{"Qword", REG_QWORD, Bytes({1, 0, 0, 0, 0, 0, 0, 0})},
                      UnsupportedCase{"None", REG_NONE, Bytes({1})},
                      UnsupportedCase{"DwordBigEndian", REG_DWORD_BIG_ENDIAN, Bytes({0, 0, 0, 1})}),
    NameOfCase());

TEST(RegReadValueOnWindowsMissing, GivesDefaultOrEmpty) {
  const ScratchKey scratch(HKEY_CURRENT_USER, kScratchParent);
  scratch.SetValue(L"present", REG_SZ, WideBytes(u"here"));
  WindowsRegistry registry;
  const RegistryValue fallback = "fallback"s;
  EXPECT_EQ(
      RegReadValue(registry, RegistryView::kNative, kHkeyCurrentUser, scratch.path(), "absent"),
      RegistryValue{});
  EXPECT_EQ(RegReadValue(registry, RegistryView::kNative, kHkeyCurrentUser, scratch.path(),
                         "absent", fallback),
            fallback);
  EXPECT_EQ(RegReadValue(registry, RegistryView::kNative, kHkeyCurrentUser,
                         scratch.path() + "\\NoSuchKey", "present", fallback),
            fallback);
}

TEST(WindowsRegistryBackend, AnswersWithThePlatformCodes) {
  const ScratchKey scratch(HKEY_CURRENT_USER, kScratchParent);
  scratch.SetValue(L"ten", REG_BINARY, std::vector<std::uint8_t>(10, 7));
  WindowsRegistry registry;

  KeyHandle untouched = 0x1234;
  EXPECT_EQ(registry.OpenKey(kHkeyCurrentUser, scratch.path() + "\\Missing", kKeyRead, untouched),
            reg_result::kFileNotFound);
  EXPECT_EQ(untouched, 0x1234u);

  KeyHandle key = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyCurrentUser, scratch.path(), kKeyRead, key), 0);
  std::uint32_t type = 0;
  std::vector<std::uint8_t> small(4);
  std::uint32_t length = 4;
  EXPECT_EQ(registry.QueryValue(key, "ten", type, small, length), reg_result::kMoreData);
  EXPECT_EQ(type, static_cast<std::uint32_t>(REG_BINARY));
  EXPECT_EQ(length, 10u);
  length = 0;
  EXPECT_EQ(registry.QueryValue(key, "ten", type, {}, length), reg_result::kMoreData);
  EXPECT_EQ(length, 10u);
  length = 4;
  EXPECT_EQ(registry.QueryValue(key, "absent", type, small, length), reg_result::kFileNotFound);

  std::string name = "unchanged";
  EXPECT_EQ(registry.EnumKey(key, 0, name), reg_result::kNoMoreItems);
  EXPECT_EQ(name, "unchanged");

  // Asked for read access, the handle must not allow writing.
  const DWORD one = 1;
  EXPECT_EQ(RegSetValueExW(AsHkey(key), L"written", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&one), sizeof(one)),
            ERROR_ACCESS_DENIED);
  registry.CloseKey(key);
}

TEST(WindowsRegistryBackend, PredefinedHivesWorkAndStayOpen) {
  WindowsRegistry registry;
  KeyHandle software = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, "SOFTWARE", kKeyRead, software), 0);
  registry.CloseKey(software);

  registry.CloseKey(kHkeyCurrentUser);
  registry.CloseKey(kHkeyLocalMachine);
  EXPECT_TRUE(RegKeyExists(registry, RegistryView::kNative, kHkeyCurrentUser, "Software"));
  EXPECT_TRUE(RegKeyExists(registry, RegistryView::kNative, kHkeyLocalMachine, "SOFTWARE"));
  EXPECT_TRUE(RegKeyExists(registry, RegistryView::kNative, kHkeyLocalMachine, ""));
  EXPECT_FALSE(RegKeyExists(registry, RegistryView::kNative, kHkeyLocalMachine,
                            "SOFTWARE\\No Such Smeltra Key"));
}

TEST(RegListSubkeysOnWindows, ListsEveryNameInThePlatformsOrder) {
  const ScratchKey scratch(HKEY_CURRENT_USER, kScratchParent);
  const std::wstring longest(255, L'k');  // the longest name a key may have
  for (const std::wstring& name : {std::wstring(L"gamma 3"), std::wstring(L"beta"), longest,
                                   std::wstring(L"\u00dcn\u00efc\u00f8d\u00e9 \u2713"),
                                   std::wstring(L"Alpha"), std::wstring(L"1.8.0_391")}) {
    scratch.AddSubkey(name);
  }
  WindowsRegistry registry;
  const SubkeyList subkeys =
      RegListSubkeys(registry, RegistryView::kNative, kHkeyCurrentUser, scratch.path());
  // Windows and Wine both keep subkeys sorted by name without regard to case.
  EXPECT_EQ(subkeys.names(), (std::vector<std::string>{"1.8.0_391", "Alpha", "beta", "gamma 3",
                                                       std::string(255, 'k'),
                                                       "\u00dcn\u00efc\u00f8d\u00e9 \u2713"}));
  EXPECT_TRUE(
      RegListSubkeys(registry, RegistryView::kNative, kHkeyCurrentUser, scratch.path() + "\\beta")
          .empty());
  EXPECT_TRUE(RegListSubkeys(registry, RegistryView::kNative, kHkeyCurrentUser,
                             scratch.path() + "\\missing")
                  .empty());
  EXPECT_EQ(RegReadValue(registry, RegistryView::kNative, kHkeyCurrentUser,
                         scratch.path() + "\\\u00dcn\u00efc\u00f8d\u00e9 \u2713", "absent",
                         RegistryValue{"found the key"s}),
            RegistryValue{"found the key"s});
}

// Keys written under HKLM\SOFTWARE through one view, read through each view.
struct ViewCase {
  std::string name;
  RegistryView view;
  std::string expected_bits;
  std::string expected_subkey;
};

// HKLM\SOFTWARE\<name> in both views, with a different value and subkey in
// each, deleted again from both when the owner goes.
class KeyInBothViews {
 public:
  KeyInBothViews() : path_(L"SOFTWARE\\" + testing::UniqueName(L"SmeltraViews")) {
    Write(KEY_WOW64_64KEY, u"64", L"Only64");
    Write(KEY_WOW64_32KEY, u"32", L"Only32");
  }
  KeyInBothViews(const KeyInBothViews&) = delete;
  KeyInBothViews& operator=(const KeyInBothViews&) = delete;
  ~KeyInBothViews() {
    for (const REGSAM flag : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      UniqueHkey key;
      if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, KEY_ALL_ACCESS | flag, key.put()) ==
          ERROR_SUCCESS) {
        RegDeleteTreeW(key.get(), nullptr);
      }
      key.reset();
      RegDeleteKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), flag, 0);
    }
  }

  std::string path() const { return Narrow(path_); }

 private:
  void Write(REGSAM flag, std::u16string_view bits, const wchar_t* subkey_name) {
    UniqueHkey key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, path_.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | flag, nullptr, key.put(), nullptr),
              ERROR_SUCCESS);
    const std::vector<std::uint8_t> data = WideBytes(bits);
    ASSERT_EQ(
        RegSetValueExW(key.get(), L"Bits", 0, REG_SZ, data.data(), static_cast<DWORD>(data.size())),
        ERROR_SUCCESS);
    UniqueHkey subkey;
    ASSERT_EQ(RegCreateKeyExW(key.get(), subkey_name, 0, nullptr, 0, KEY_ALL_ACCESS | flag, nullptr,
                              subkey.put(), nullptr),
              ERROR_SUCCESS);
  }

  std::wstring path_;
};

const std::string kOwnBits = sizeof(void*) == 8 ? "64" : "32";

class RegistryViewsOnWindows : public ::testing::TestWithParam<ViewCase> {};

TEST_P(RegistryViewsOnWindows, EachKeyIsSeenOnlyInItsOwnView) {
  const ViewCase& c = GetParam();
  ASSERT_TRUE(WindowsHasTwoRegistryViews());
  const KeyInBothViews keys;
  WindowsRegistry registry;
  EXPECT_EQ(RegReadValue(registry, c.view, kHkeyLocalMachine, keys.path(), "Bits"),
            RegistryValue{c.expected_bits});
  EXPECT_EQ(RegListSubkeys(registry, c.view, kHkeyLocalMachine, keys.path()).names(),
            std::vector<std::string>{c.expected_subkey});
}

INSTANTIATE_TEST_SUITE_P(
    Views, RegistryViewsOnWindows,
    ::testing::Values(ViewCase{"SixtyFourBit", RegistryView::k64Bit, "64", "Only64"},
                      ViewCase{"ThirtyTwoBit", RegistryView::k32Bit, "32", "Only32"},
                      // A program sees the view of its own bitness unless it asks.
                      ViewCase{"Native", RegistryView::kNative, kOwnBits, "Only" + kOwnBits}),
    NameOfCase());

}  // namespace
}  // namespace smeltra
