#include <gtest/gtest.h>

#include "registry/memory_registry.h"

namespace smeltra {
namespace {

// The in-memory registry stands in for the platform's in every other test, so
// its answers must be the platform's.
TEST(InMemoryRegistryTest, AnswersWithThePlatformsCodes) {
  InMemoryRegistry registry;
  registry.SetString(RegistryView::k64Bit, kHkeyLocalMachine, "SOFTWARE\\A", "Name", "abc");
  KeyHandle key = 0;
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, "SOFTWARE\\Missing", kKeyRead, key), 2);
  EXPECT_EQ(registry.OpenKey(kHkeyLocalMachine, "SOFTWARE\\\\A", kKeyRead, key), 161);
  ASSERT_EQ(registry.OpenKey(kHkeyLocalMachine, "software\\a\\", kKeyRead, key), 0);

  std::uint32_t type = 0;
  std::uint8_t small[4] = {};
  std::uint32_t length = sizeof small;
  EXPECT_EQ(registry.QueryValue(key, "NAME", type, small, length), 234);
  EXPECT_EQ(type, 1u);
  EXPECT_EQ(length, 8u);
  std::uint8_t room[8] = {};
  length = sizeof room;
  EXPECT_EQ(registry.QueryValue(key, "Name", type, room, length), 0);
  EXPECT_EQ(room[4], 'c');
  EXPECT_EQ(registry.QueryValue(key, "Other", type, room, length), 2);

  std::string name;
  EXPECT_EQ(registry.EnumKey(key, 0, name), 259);
  KeyHandle same = 0;
  ASSERT_EQ(registry.OpenKey(key, "", kKeyRead, same), 0);
  EXPECT_NE(same, key);
  registry.CloseKey(same);
  registry.CloseKey(key);
  EXPECT_EQ(registry.open_handle_count(), 0u);
  EXPECT_EQ(registry.requested_access(), std::vector<std::uint32_t>(4, kKeyRead));
}

TEST(InMemoryRegistryTest, DeniedKeyAnswersAccessDenied) {
  InMemoryRegistry registry;
  registry.DenyAccess(RegistryView::k32Bit, kHkeyLocalMachine, "SOFTWARE\\Locked");
  KeyHandle key = 0;
  EXPECT_EQ(
      registry.OpenKey(kHkeyLocalMachine, "SOFTWARE\\Locked", kKeyRead | kKeyWow64_32Key, key), 5);
  EXPECT_EQ(
      registry.OpenKey(kHkeyLocalMachine, "SOFTWARE\\Locked", kKeyRead | kKeyWow64_64Key, key), 2);
}

}  // namespace
}  // namespace smeltra
