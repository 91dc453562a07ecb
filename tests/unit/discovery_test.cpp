#include <gtest/gtest.h>

#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "tests/support/fake_platform.h"
#include "tests/support/memory_registry.h"

namespace smeltra {
namespace {

using testing::FakePlatform;
using testing::MemoryRegistry;
using testing::ProgramEnded;
using Texts = std::vector<std::u16string>;
using Bytes = std::vector<std::uint8_t>;

constexpr auto k64 = RegistryView::k64Bit;
constexpr auto k32 = RegistryView::k32Bit;
constexpr auto kHkcu = kHkeyCurrentUser;
const std::u16string kJre = u"JavaSoft\\Java Runtime Environment\\";
const std::u16string kJdk8 = u"JavaSoft\\Java Development Kit\\";
const std::u16string kJre9 = u"JavaSoft\\JRE\\";
const std::u16string kJdk = u"JavaSoft\\JDK\\";
const std::u16string kTemurin = u"Eclipse Adoptium\\JDK\\";

// One registry entry below SOFTWARE: a key and, unless `folder` is empty, a
// value naming a folder, whose bin\java.exe exists when `java` says so.
struct Put {
  std::u16string path;
  std::u16string folder = u"";
  bool java = true;
  RegistryView view = k64;
  KeyHandle hive = kHkeyLocalMachine;
  std::u16string value = u"JavaHome";
  std::uint32_t type = reg_type::kSz;
};
Put Stale(Put put) { return put.java = false, put; }
Put In32(Put put) { return put.view = k32, put; }
Put PerUser(Put put) { return put.hive = kHkcu, put; }
Put Typed(std::uint32_t type, Put put) { return put.type = type, put; }
Put Vendor(std::u16string path, std::u16string folder, std::u16string value = u"Path") {
  return Put{std::move(path), std::move(folder), true, k64, kHkeyLocalMachine, std::move(value)};
}

const Texts kNotInstalled = {std::u16string(messages::kNotInstalled)};
const Texts kNotNewEnough = {std::u16string(messages::kNotNewEnough)};
Texts SearchError(std::u16string description) {
  return {std::move(description), std::u16string(messages::kSearchError)};
}
std::u16string NotANumber(std::u16string_view name) {
  return u"Type mismatch: runtime version \"" + std::u16string(name) + u"\" is not a number";
}

struct DiscoveryCase {
  const char* name;
  std::vector<Put> registry;
  std::u16string java_home;
  Texts messages = {};
  std::optional<ExitCode> ended = std::nullopt;
};

constexpr auto CaseName = [](const auto& test) { return std::string(test.param.name); };

class DiscoveryTest : public ::testing::TestWithParam<DiscoveryCase> {};

TEST_P(DiscoveryTest, ChoosesShowsAndEnds) {
  const DiscoveryCase& c = GetParam();
  MemoryRegistry registry;
  FakePlatform platform;
  for (const Put& put : c.registry) {
    const std::u16string path = u"SOFTWARE\\" + put.path;
    registry.AddKey(put.view, put.hive, path);
    if (put.folder.empty()) continue;
    Bytes data = MemoryRegistry::LeBytes(put.folder + u'\0');
    if (put.type == reg_type::kDword) data = {1, 0, 0, 0};
    registry.SetValue(put.view, put.hive, path, put.value, {put.type, data});
    if (put.java) platform.files.insert(put.folder + u"\\bin\\java.exe");
  }
  const std::vector<RegistryView> views = RuntimeSearchViews(true);
  std::optional<ExitCode> ended;
  std::u16string home;
  try {
    home = LocateJavaRuntime(registry, views, platform);
  } catch (const ProgramEnded& end) {
    ended = end.code;
  }
  EXPECT_EQ(home, c.java_home);
  EXPECT_EQ(platform.messages, c.messages);
  EXPECT_EQ(ended, c.ended);
  EXPECT_TRUE(registry.open.empty());
  for (const std::uint32_t mask : registry.access_masks) {
    EXPECT_EQ(mask & ~(kKeyWow64_64Key | kKeyWow64_32Key), kKeyRead);
  }
}

const auto kNone = ExitCode::kNoRuntimeInstalled;
const auto kOld = ExitCode::kNoRuntimeNewEnough;

// clang-format off
INSTANTIATE_TEST_SUITE_P(Classic, DiscoveryTest, ::testing::Values(
    DiscoveryCase{"NothingInstalled", {}, u"", kNotInstalled, kNone},
    DiscoveryCase{"KeyWithoutSubkeys", {{u"JavaSoft\\JDK"}}, u"", kNotNewEnough, kOld},
    DiscoveryCase{"OnlyOlderThanOneFour", {{kJre + u"1.3", u"C:\\a"}, {kJre + u"1.3.1_20", u"C:\\b"}},
                  u"", kNotNewEnough, kOld},
    DiscoveryCase{"FirstPassingNameWinsByItsFullName",
                  {{kJre + u"1.3.1", u"C:\\13"}, {kJre + u"1.4.2_03", u"C:\\142"}, {kJre + u"1.6.0", u"C:\\16"}},
                  u"C:\\142"},
    DiscoveryCase{"OneFourItselfPasses", {{kJre + u"1.4", u"C:\\14"}}, u"C:\\14"},
    DiscoveryCase{"OneTenReadsAsOneOne", {{kJre + u"1.10", u"C:\\110"}, {kJre + u"2", u"C:\\2"}}, u"C:\\2"},
    DiscoveryCase{"NotANumberBeforeAPass", {{kJre + u"abc", u"C:\\x"}, {kJre + u"1.8", u"C:\\18"}},
                  u"", SearchError(NotANumber(u"abc"))},
    DiscoveryCase{"NotANumberAfterAPassIsNeverRead", {{kJre + u"1.8", u"C:\\18"}, {kJre + u"abc", u"C:\\x"}},
                  u"C:\\18"},
    DiscoveryCase{"CommaIsNoDecimalSeparator", {{kJre + u"1,5", u"C:\\x"}}, u"", SearchError(NotANumber(u"1,5"))},
    DiscoveryCase{"JavaHomeOfAnUnsupportedType", {Typed(11, {kJre + u"1.8", u"C:\\18"})},
                  u"", SearchError(u"Unsupported value type")},
    DiscoveryCase{"JavaHomeMissingFallsBackSilently", {{kJre + u"1.8"}}, u""},
    DiscoveryCase{"JavaHomeAsWideBinary", {Typed(3, {kJre + u"1.8", u"C:\\bin"})}, u"C:\\bin"},
    DiscoveryCase{"JavaHomeAsDwordIsNoFolder", {Typed(4, {kJre + u"1.8", u"C:\\18"})}, u"", kNotNewEnough, kOld},
    DiscoveryCase{"JavaHomeKeptExactly", {{kJre + u"1.8", u"C:\\Program Files\\jre 1.8\\"}},
                  u"C:\\Program Files\\jre 1.8\\"},
    DiscoveryCase{"JavaHomeWithALoneSurrogate", {{kJre + u"1.8", u"C:\\j\xDBFFre"}}, u"C:\\j\xDBFFre"},
    DiscoveryCase{"OnlyIn32BitView", {In32({kJre + u"1.8", u"C:\\32"})}, u"C:\\32"},
    DiscoveryCase{"SixtyFourBitViewFirst", {In32({kJre + u"1.8", u"C:\\32"}), {kJre + u"1.6", u"C:\\64"}}, u"C:\\64"},
    DiscoveryCase{"OldIn64NewIn32", {{kJre + u"1.3", u"C:\\64"}, In32({kJre + u"1.6", u"C:\\32"})}, u"C:\\32"},
    DiscoveryCase{"KitAfterOldRuntime", {{kJre + u"1.3", u"C:\\13"}, {kJdk8 + u"1.8", u"C:\\jdk8"}}, u"C:\\jdk8"},
    DiscoveryCase{"RuntimeKeyBeforeKits", {{kJdk + u"21", u"C:\\jdk21"}, {kJre9 + u"9", u"C:\\jre9"}}, u"C:\\jre9"},
    DiscoveryCase{"ErrorInALaterKeyEndsTheSearch",
                  {{kJre + u"1.3", u"C:\\13"}, {kJdk8 + u"x.y", u"C:\\x"}, {kJdk + u"17", u"C:\\17"}},
                  u"", SearchError(NotANumber(u"x.y"))},
    DiscoveryCase{"StaleEntryIsPassedOver", {Stale({kJre + u"1.8", u"C:\\gone"}), {kJre + u"1.6", u"C:\\16"}},
                  u"C:\\16"},
    DiscoveryCase{"StaleIn64ThenThe32BitView",
                  {Stale({kJre + u"1.8", u"C:\\gone"}), In32({kJre + u"1.6", u"C:\\32"})}, u"C:\\32"},
    DiscoveryCase{"EverythingStale", {Stale({kJre + u"1.8", u"C:\\gone"}), Stale({kJdk + u"17", u"C:\\gone"})},
                  u"", kNotNewEnough, kOld}),
    CaseName);

INSTANTIATE_TEST_SUITE_P(VendorsAndUsers, DiscoveryTest, ::testing::Values(
    DiscoveryCase{"TemurinDefaultInstall",
                  {Vendor(kTemurin + u"21.0.1.12\\hotspot\\MSI", u"C:\\Temurin\\jdk-21\\"),
                   Typed(4, Vendor(kTemurin + u"21.0.1.12\\hotspot\\MSI", u"1", u"JavaHome"))},
                  u"C:\\Temurin\\jdk-21\\"},
    DiscoveryCase{"AdoptOpenJdkOpenJ9Jre", {Vendor(u"AdoptOpenJDK\\JRE\\11.0.2\\openj9\\MSI", u"C:\\adopt")}, u"C:\\adopt"},
    DiscoveryCase{"Microsoft", {Vendor(u"Microsoft\\JDK\\17.0.9.8\\hotspot\\MSI", u"C:\\ms")}, u"C:\\ms"},
    DiscoveryCase{"Semeru", {Vendor(u"Semeru\\JRE\\17.0.8\\openj9\\MSI", u"C:\\ibm")}, u"C:\\ibm"},
    DiscoveryCase{"Zulu32Bit", {In32(Vendor(u"Azul Systems\\Zulu 32-bit\\zulu-8", u"C:\\z", u"InstallationPath"))}, u"C:\\z"},
    DiscoveryCase{"Liberica", {Vendor(u"BellSoft\\Liberica\\jre-17", u"C:\\lib", u"InstallationPath")}, u"C:\\lib"},
    DiscoveryCase{"SapMachine", {Vendor(u"SapMachine\\JDK\\21.0.1", u"C:\\sap", u"JavaHome")}, u"C:\\sap"},
    DiscoveryCase{"NewestVendorWins",
                  {Vendor(kTemurin + u"17.0.9\\hotspot\\MSI", u"C:\\t17"),
                   Vendor(u"Azul Systems\\Zulu\\zulu-21", u"C:\\z21", u"InstallationPath"),
                   Vendor(u"Microsoft\\JDK\\11.0.21\\hotspot\\MSI", u"C:\\m11")},
                  u"C:\\z21"},
    DiscoveryCase{"TieGoesToTheEarlierRow",
                  {Vendor(u"Microsoft\\JDK\\21.0.1\\hotspot\\MSI", u"C:\\ms"), Vendor(kTemurin + u"21.0.1\\hotspot\\MSI", u"C:\\t")},
                  u"C:\\t"},
    DiscoveryCase{"ClassicBeforeANewerVendor",
                  {Vendor(kTemurin + u"21.0.1\\hotspot\\MSI", u"C:\\t"), {kJre + u"1.8", u"C:\\18"}}, u"C:\\18"},
    DiscoveryCase{"VendorWhenEveryClassicIsStale",
                  {Stale({kJre + u"1.8", u"C:\\gone"}), Vendor(kTemurin + u"17.0.9\\hotspot\\MSI", u"C:\\t")}, u"C:\\t"},
    DiscoveryCase{"VendorEntriesPassedOverQuietly",
                  {Typed(4, Vendor(kTemurin + u"21\\hotspot\\MSI", u"C:\\dword")),
                   Typed(11, Vendor(u"Microsoft\\JDK\\21\\hotspot\\MSI", u"C:\\qword")),
                   Stale(Vendor(u"Semeru\\JDK\\21\\openj9\\MSI", u"C:\\gone")),
                   Vendor(u"BellSoft\\Liberica\\jdk-current", u"C:\\n", u"InstallationPath"),
                   Vendor(u"SapMachine\\JRE\\1.3.1", u"C:\\old", u"JavaHome"),
                   Vendor(u"Azul Systems\\Zulu\\zulu-11", u"C:\\z11", u"InstallationPath")},
                  u"C:\\z11"},
    DiscoveryCase{"OnlyUnusableVendorsIsNotNewEnough", {Stale(Vendor(kTemurin + u"21\\hotspot\\MSI", u"C:\\gone"))},
                  u"", kNotNewEnough, kOld},
    DiscoveryCase{"ClassicErrorStopsBeforeVendors", {{kJre + u"abc"}, Vendor(kTemurin + u"21\\hotspot\\MSI", u"C:\\t")},
                  u"", SearchError(NotANumber(u"abc"))},
    DiscoveryCase{"PerUserClassic", {PerUser({kJdk + u"17.0.9", u"C:\\Users\\u\\jdk"})}, u"C:\\Users\\u\\jdk"},
    DiscoveryCase{"PerUserVendor", {PerUser(Vendor(kTemurin + u"21\\hotspot\\MSI", u"C:\\Users\\u\\t"))}, u"C:\\Users\\u\\t"},
    DiscoveryCase{"MachineVendorBeforeUserClassic",
                  {PerUser({kJre + u"1.8", u"C:\\user"}), Vendor(kTemurin + u"11\\hotspot\\MSI", u"C:\\machine")},
                  u"C:\\machine"},
    DiscoveryCase{"UserAfterEverythingStaleOnTheMachine",
                  {Stale({kJre + u"1.8", u"C:\\gone"}), PerUser({kJre + u"1.6", u"C:\\user"})}, u"C:\\user"}),
    CaseName);
// clang-format on

TEST(DiscoveryTest, OneViewOnThirtyTwoBitWindows) {
  EXPECT_EQ(RuntimeSearchViews(false), std::vector<RegistryView>{RegistryView::kNative});
  EXPECT_EQ(RuntimeSearchViews(true), (std::vector<RegistryView>{k64, k32}));
}

TEST(DiscoveryTest, UnreadableKeysAndEmptyHomes) {
  const std::u16string chosen = u"SOFTWARE\\" + kJre + u"1.8";
  const std::vector<RegistryView> views = {k64};
  for (const bool denied : {true, false}) {  // no key to read, or an empty JavaHome
    MemoryRegistry registry;
    FakePlatform platform;
    if (denied) registry.At(k64, kHkeyLocalMachine, chosen).denied = true;
    if (!denied) registry.SetString(k64, kHkeyLocalMachine, chosen, u"JavaHome", u"");
    EXPECT_EQ(LocateJavaRuntime(registry, views, platform), u"");
    EXPECT_TRUE(platform.messages.empty());
  }
  {  // A runtime key that may not be read counts as none.
    MemoryRegistry registry;
    FakePlatform platform;
    registry.At(k64, kHkeyLocalMachine, u"SOFTWARE\\JavaSoft\\JDK").denied = true;
    EXPECT_THROW(LocateJavaRuntime(registry, views, platform), ProgramEnded);
    EXPECT_EQ(platform.messages, kNotInstalled);
  }
}

}  // namespace
}  // namespace smeltra
