#include <gtest/gtest.h>

#include "registry/launcher_error.h"
#include "registry/memory_registry.h"
#include "registry/mregistry.h"
#include "registry_test_support.h"

namespace smeltra {
namespace {

constexpr std::string_view kKey = "SOFTWARE\\Vendor";
constexpr auto kView = RegistryView::k64Bit;
using Names = std::vector<std::string>;

InMemoryRegistry WithSubkeys(const Names& names) {
  InMemoryRegistry registry;
  registry.AddKey(kView, kHkeyLocalMachine, kKey);
  for (const auto& name : names)
    registry.AddKey(kView, kHkeyLocalMachine, std::string(kKey) + "\\" + name);
  return registry;
}

TEST(RegListSubkeysTest, ListsInEnumerationOrderAndClosesTheKey) {
  InMemoryRegistry registry = WithSubkeys({"1.6.0", "1.3.1", "1.4.2_03"});
  const SubkeyList list = RegListSubkeys(registry, kView, kHkeyLocalMachine, kKey);
  EXPECT_EQ(list.names(), (Names{"1.6.0", "1.3.1", "1.4.2_03"}));
  EXPECT_EQ(registry.open_handle_count(), 0u);
  EXPECT_EQ(registry.close_count(), 1u);
  EXPECT_TRUE(testing::OnlyReadAccessRequested(registry.requested_access()));
}

TEST(RegListSubkeysTest, KeyWithoutSubkeysGivesEmptyListAndClosesTheKey) {
  InMemoryRegistry registry = WithSubkeys({});
  EXPECT_TRUE(RegListSubkeys(registry, kView, kHkeyLocalMachine, kKey).empty());
  EXPECT_EQ(registry.close_count(), 1u);
}

TEST(RegListSubkeysTest, UnopenableKeyGivesEmptyList) {
  InMemoryRegistry registry = WithSubkeys({"a"});
  registry.DenyAccess(kView, kHkeyLocalMachine, kKey);
  EXPECT_TRUE(RegListSubkeys(registry, kView, kHkeyLocalMachine, kKey).empty());
  EXPECT_TRUE(RegListSubkeys(registry, kView, kHkeyLocalMachine, "SOFTWARE\\Missing").empty());
  EXPECT_EQ(registry.open_handle_count(), 0u);
}

TEST(RegListSubkeysTest, FailingEnumerationEndsTheListQuietly) {
  InMemoryRegistry registry = WithSubkeys({"a", "b", "c"});
  registry.FailEnumerationAt(kView, kHkeyLocalMachine, kKey, 1, 1450);
  EXPECT_EQ(RegListSubkeys(registry, kView, kHkeyLocalMachine, kKey).names(), (Names{"a"}));
  EXPECT_EQ(registry.open_handle_count(), 0u);
}

TEST(RegListSubkeysTest, EmptyPathListsTheCallersKeyAndLeavesItOpen) {
  InMemoryRegistry registry = WithSubkeys({"x", "y"});
  KeyHandle own = 0;
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, kKey, kKeyRead | kKeyWow64_64Key, own), 0);

  EXPECT_EQ(RegListSubkeys(registry, kView, own, "").names(), (Names{"x", "y"}));
  EXPECT_EQ(registry.open_handle_count(), 1u);
  EXPECT_EQ(registry.close_count(), 0u);
  registry.CloseKey(own);
}

TEST(SubkeyListTest, NameEqualWithoutRegardToCaseIsRefused) {
  SubkeyList list;
  list.Add("Alpha");
  list.Add("Beta");
  try {
    list.Add("ALPHA");
    FAIL() << "no error raised";
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.number(), error_number::kDuplicateSubkey);
  }
  EXPECT_EQ(list.names(), (Names{"Alpha", "Beta"}));
  EXPECT_TRUE(list.Contains("beta"));
}

struct ExistsCase {
  const char* name;
  std::string_view path;
  bool expected;
};

class RegKeyExistsTest : public ::testing::TestWithParam<ExistsCase> {};

TEST_P(RegKeyExistsTest, TrueOnlyWhenTheKeyOpensForReading) {
  InMemoryRegistry registry = WithSubkeys({"Open", "Locked"});
  registry.DenyAccess(kView, kHkeyLocalMachine, "SOFTWARE\\Vendor\\Locked");

  EXPECT_EQ(RegKeyExists(registry, kView, kHkeyLocalMachine, GetParam().path), GetParam().expected);
  EXPECT_EQ(registry.open_handle_count(), 0u);
  EXPECT_TRUE(testing::OnlyReadAccessRequested(registry.requested_access()));
}

INSTANTIATE_TEST_SUITE_P(Paths, RegKeyExistsTest,
                         ::testing::Values(ExistsCase{"Existing", "SOFTWARE\\Vendor\\Open", true},
                                           ExistsCase{"OtherLetterCase", "software\\VENDOR\\open",
                                                      true},
                                           ExistsCase{"Missing", "SOFTWARE\\Vendor\\Gone", false},
                                           ExistsCase{"Denied", "SOFTWARE\\Vendor\\Locked", false},
                                           ExistsCase{"EmptyPathIsTheHiveItself", "", true}),
                         testing::NameOfCase());

TEST(RegKeyExistsTest, LooksOnlyInTheRequestedView) {
  InMemoryRegistry registry;
  registry.AddKey(RegistryView::k32Bit, kHkeyLocalMachine, kKey);
  EXPECT_FALSE(RegKeyExists(registry, RegistryView::k64Bit, kHkeyLocalMachine, kKey));
  EXPECT_TRUE(RegKeyExists(registry, RegistryView::k32Bit, kHkeyLocalMachine, kKey));
}

}  // namespace
}  // namespace smeltra
