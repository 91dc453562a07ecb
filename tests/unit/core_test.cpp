// The portable core: the registry helpers and the start-up over them.

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "common/launcher_error.h"
#include "launcher/messages.h"
#include "launcher/mod_main.h"
#include "launcher/path_text.h"
#include "launcher/runtime_version.h"
#include "launcher/server_start.h"
#include "registry/mregistry.h"
#include "tests/support/fakes.h"

namespace smeltra {
namespace {

using testing::MemoryRegistry;
using Texts = std::vector<std::u16string>;
using namespace std::literals;

// The read-only registry helpers.
using Bytes = std::vector<std::uint8_t>;

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
  EXPECT_EQ(testing::ThrownBy([&] { read = RegReadValue(registry, k64, kHklm, kKey, u"v"); }),
            c.expected ? u"" : u"Unsupported value type");
  EXPECT_EQ(read, c.expected);
  EXPECT_EQ(registry.query_sizes, c.query_sizes);
  EXPECT_TRUE(registry.Tidy());
}

const ConversionCase kConversions[] = {
    {"SzWithItsNul", 1, Le(u"abc\0"sv), u"abc"},
    {"SzWithoutNulKeepsItsLastCharacter", 1, Le(u"abc"sv), u"abc"},
    {"SzZeroLengthIsEmpty", 1, {}, u""},
    {"SzOddByteIsDropped", 1, {'a', 0, 'b'}, u"a"},
    {"SzLoneSurrogateKept", 1, Le(u"\xD800x\0"sv), u"\xD800x"},
    {"ExpandSzStaysUnexpanded", 2, Le(u"%SystemRoot%\0"sv), u"%SystemRoot%"},
    {"MultiSzOneTextJoinedByNuls", 7, Le(u"a\0b\0\0"sv), u"a\0b"s},
    {"DwordAllBitsIsMinusOne", 4, {0xFF, 0xFF, 0xFF, 0xFF}, -1},
    {"DwordIsLittleEndian", 4, {1, 2, 0, 0}, 0x0201},
    {"DwordShortReadsZeroes", 4, {7}, 7},
    {"BinaryExactLength", 3, {1, 2, 3}, Bytes{1, 2, 3}},
    {"BinaryOfExactlyTheFirstBuffer", 3, Bytes(1024, 9), Bytes(1024, 9)},
    {"BinaryLargerTakesASecondQuery", 3, Bytes(5000, 9), Bytes(5000, 9), {1024, 5000}},
    {"QwordIsUnsupported", 11, {1, 0, 0, 0}, std::nullopt}};
INSTANTIATE_TEST_SUITE_P(ByType, ConversionTest, ::testing::ValuesIn(kConversions),
                         [](const auto& test) { return std::string(test.param.name); });

TEST(RegReadValueTest, WhatCannotBeReadIsEmpty) {
  MemoryRegistry registry;
  registry.At(k64, kHklm, kDenied).denied = true;
  registry.SetValue(k64, kHklm, kKey, u"grows", {3, Bytes(2000), 1});
  const std::pair<std::u16string, std::u16string> unreadable[] = {
      {kMissing, u"v"}, {kDenied, u"v"}, {kKey, u"missing"}, {kKey, u"grows"}};
  for (const auto& [path, name] : unreadable) {
    std::uint32_t type = 1;
    EXPECT_EQ(RegReadValue(registry, k64, kHklm, path, name, &type), RegistryValue{});
    EXPECT_EQ(type, 0u);
  }
  EXPECT_TRUE(registry.Tidy());
}

TEST(RegKeysTest, ExistAndListForReadingOnly) {
  MemoryRegistry registry;
  const Texts all = {u"b", u"a", u"\xDC00 lone", u"c"};
  for (const std::u16string& name : all) registry.At(k64, kHklm, kKey + u"\\" + name);
  registry.At(k64, kHklm, kDenied).denied = true;
  registry.At(k64, kHklm, kKey + u"\\a").subkeys = {u"zulu-a", u"ZULU-A"};
  // clang-format off
  const std::tuple<std::u16string, bool, Texts> keys[] = {
      {u"software\\TEST", true, all}, {kKey + u"\\b", true, {}}, {u"", true, {u"SOFTWARE"}},
      {kDenied, false, {}}, {kMissing, false, {}}};
  // clang-format on
  for (const auto& [path, exists, subkeys] : keys) {
    EXPECT_EQ(RegKeyExists(registry, k64, kHklm, path), exists);
    EXPECT_EQ(RegListSubkeys(registry, k64, kHklm, path), subkeys);
  }
  EXPECT_FALSE(RegKeyExists(registry, RegistryView::k32Bit, kHklm, kKey));
  EXPECT_EQ(testing::ThrownBy([&] { RegListSubkeys(registry, k64, kHklm, kKey + u"\\a"); }),
            u"Duplicate subkey name: ZULU-A");
  EXPECT_TRUE(registry.Tidy());

  // A failing enumeration ends the list quietly.
  registry.At(k64, kHklm, kKey).failure = {{2, 5}};
  EXPECT_EQ(RegListSubkeys(registry, k64, kHklm, kKey), (Texts{u"b", u"a"}));
}

// The start-up over them.
const std::u16string kJre = u"JavaSoft\\Java Runtime Environment\\";
const std::u16string kJdk8 = u"JavaSoft\\Java Development Kit\\";
const std::u16string kJdk = u"JavaSoft\\JDK\\";
const std::u16string kPath = u"Path";
const std::u16string kInstallationPath = u"InstallationPath";
const std::u16string kApp = u"C:\\";  // the fake platform's launcher folder, a drive's root

// One registry entry below SOFTWARE: a key and, with a `folder`, a value that
// names it, whose bin\java.exe exists unless the entry is stale.
struct Put {
  std::u16string path;
  std::optional<std::u16string> folder = std::nullopt;
  std::u16string value = u"JavaHome";
  bool java = true;
  RegistryView view = RegistryView::k64Bit;
  KeyHandle hive = kHkeyLocalMachine;
  std::uint32_t type = reg_type::kSz;
};
Put Stale(Put put) { return put.java = false, put; }
Put In32(Put put) { return put.view = RegistryView::k32Bit, put; }
Put PerUser(Put put) { return put.hive = kHkeyCurrentUser, put; }
Put Typed(std::uint32_t type, Put put) { return put.type = type, put; }
Put Temurin(const std::u16string& version, std::u16string folder) {
  return {u"Eclipse Adoptium\\JDK\\" + version + u"\\hotspot\\MSI", std::move(folder), kPath};
}

const Texts kNotInstalled = {std::u16string(messages::kNotInstalled)};
const Texts kNotNewEnough = {std::u16string(messages::kNotNewEnough)};
Texts SearchError(std::u16string description) {
  return {std::move(description), std::u16string(messages::kSearchError)};
}
std::u16string NotANumber(std::u16string_view name) {
  return u"Type mismatch: runtime version \"" + std::u16string(name) + u"\" is not a number";
}
// The server's command line for a runtime at `home`, or from the search path,
// with `options` as the line writes them.
std::u16string Line(const std::u16string& home, const std::u16string& options = u"") {
  return (home.empty() ? std::u16string(u"java") : u"\"" + home + u"\\bin\\java.exe\"") + options +
         u" -classpath \"C:\\\\Quorvane\\lib\\vuz.jar\";\"C:\\\\Quorvane\" Velquist.Frame11";
}
const std::u16string kNotStarted = std::u16string(messages::kServerNotStarted) + u"\r\n\r\n";
const std::u16string kOptionsFile = u"C:\\Smeltra.vmoptions";
std::u16string Java(const std::u16string& home) { return home + u"\\bin\\java.exe"; }
const std::u16string kSystemJava = u"C:\\Windows\\system32\\java.exe";
const std::u16string kLog = u"C:\\logs\\server.log";
using Environment = std::map<std::u16string, std::u16string>;

struct StartUpCase {
  const char* name;
  std::vector<Put> registry = {};
  std::u16string java_home = {};  // started as "<java_home>\bin\java.exe", or as `java` when empty
  Texts messages = {};
  ExitCode status = ExitCode::kServerStarted;
  std::optional<LauncherError> path_error = std::nullopt;
  std::optional<LauncherError> start_error = std::nullopt;
  Environment environment = {};
  std::vector<std::u16string> files = {kSystemJava};       // besides the registered runtimes'
  std::u16string program = kSystemJava;                    // the `java` started
  std::optional<std::uint32_t> ended_with = std::nullopt;  // within the watch; nothing: runs on
  std::optional<std::string> vmoptions = std::nullopt;     // the bytes of C:\Smeltra.vmoptions
  std::u16string options = {};                             // as the command line writes them
  std::string runtime_writes = {};                         // to its log
};

class StartUpTest : public ::testing::TestWithParam<StartUpCase> {};

TEST_P(StartUpTest, ChoosesShowsAndStarts) {
  const StartUpCase& c = GetParam();
  MemoryRegistry registry;
  testing::FakePlatform platform;
  for (const Put& put : c.registry) {
    const std::u16string path = u"SOFTWARE\\" + put.path;
    registry.At(put.view, put.hive, path);
    if (!put.folder) continue;
    const auto data = put.type == reg_type::kDword ? std::vector<std::uint8_t>{1, 0, 0, 0}
                                                   : MemoryRegistry::LeBytes(*put.folder + u'\0');
    registry.SetValue(put.view, put.hive, path, put.value, {put.type, data});
    if (put.java) platform.files.insert(Java(*put.folder));
  }
  platform.files.insert(c.files.begin(), c.files.end());
  platform.environment = c.environment;
  platform.path_error = c.path_error;
  platform.start_error = c.start_error;
  platform.ended_with = c.ended_with;
  platform.runtime_writes = c.runtime_writes;
  if (c.vmoptions) platform.contents[kOptionsFile] = *c.vmoptions;
  const ExitCode status = StartServer(registry, RuntimeSearchViews(true), platform);
  EXPECT_EQ(status, c.status);
  EXPECT_EQ(platform.messages, c.messages);
  using Starts = decltype(platform.starts);
  const Starts started = {{c.java_home.empty() ? c.program : Java(c.java_home),
                           Line(c.java_home, c.options), kApp, kLog}};
  const bool ran = status == ExitCode::kServerStarted || c.ended_with;
  EXPECT_EQ(platform.starts, ran ? started : Starts{});
  // Without a watch a runtime that ends at once would count as a server.
  if (ran) {
    EXPECT_EQ(platform.waits.back(), kStartWatch);
  }
  EXPECT_TRUE(registry.Tidy());
}

const auto kNone = ExitCode::kNoRuntimeInstalled;
const auto kOld = ExitCode::kNoRuntimeNewEnough;
const auto kFailed = ExitCode::kServerNotStarted;

// clang-format off
const StartUpCase kCases[] = {
    {.name = "KeyWithoutSubkeys", .registry = {{u"JavaSoft\\JDK"}}, .messages = kNotNewEnough,
     .status = kOld},
    {.name = "NothingUsable",
     .registry = {{kJre + u"1.3", u"C:\\13"}, Stale({kJre + u"1.8", u"C:\\gone"}),
                  Stale({kJdk + u"17", u"C:\\gone"})},
     .messages = kNotNewEnough, .status = kOld},
    {.name = "FirstUsableWinsByItsFullName",
     .registry = {{kJre + u"1.3.1", u"C:\\a"}, Stale({kJre + u"1.9", u"C:\\x"}),
                  {kJre + u"1.4.2_03", u"C:\\b"}, {kJre + u"1.6"}},
     .java_home = u"C:\\b"},
    {.name = "NotANumberAfterAPassIsNeverRead",
     .registry = {{kJre + u"1.8", u"C:\\18"}, {kJre + u"abc"}}, .java_home = u"C:\\18"},
    {.name = "CommaInALaterKeyEndsTheSearch",
     .registry = {{kJre + u"1.3", u"C:\\13"}, {kJdk8 + u"1,5"}, {kJdk + u"17", u"C:\\17"},
                  Temurin(u"21", u"C:\\t")},
     .messages = SearchError(NotANumber(u"1,5"))},
    {.name = "JavaHomeOfAnUnsupportedType", .registry = {Typed(11, {kJre + u"1.8", u"C:\\18"})},
     .messages = SearchError(u"Unsupported value type")},
    {.name = "JavaHomeAsWideBinary", .registry = {Typed(3, {kJre + u"1.8", u"C:\\bin"})},
     .java_home = u"C:\\bin"},
    {.name = "JavaHomeAsDwordIsNoFolder", .registry = {Typed(4, {kJre + u"1.8", u"C:\\18"})},
     .messages = kNotNewEnough, .status = kOld},
    {.name = "JavaHomeKeptExactly",
     .registry = {{kJre + u"1.8", u"C:\\Program Files\\j\xDBFFre 1.8\\"}},
     .java_home = u"C:\\Program Files\\j\xDBFFre 1.8\\"},
    {.name = "View64BitFirst",
     .registry = {In32({kJre + u"1.8", u"C:\\32"}), {kJre + u"1.6", u"C:\\64"}},
     .java_home = u"C:\\64"},
    {.name = "OldAndStaleIn64NewIn32",
     .registry = {{kJre + u"1.3", u"C:\\13"}, Stale({kJre + u"1.8", u"C:\\gone"}),
                  In32({kJre + u"1.6", u"C:\\32"})},
     .java_home = u"C:\\32"},
    {.name = "RuntimeKeyBeforeKits",
     .registry = {{kJdk + u"21", u"C:\\21"}, {u"JavaSoft\\JRE\\9", u"C:\\9"}},
     .java_home = u"C:\\9"},
    // The vendor keys: the variant layout, the newest of all, ties, and what is passed over.
    {.name = "TemurinDefaultInstall",
     .registry = {Temurin(u"21.0.1.12", u"C:\\t\\"),
                  Typed(4, {u"Eclipse Adoptium\\JDK\\21.0.1.12\\hotspot\\MSI", u"1"})},
     .java_home = u"C:\\t\\"},
    {.name = "NewestVendorWins",
     .registry = {Temurin(u"17.0.9", u"C:\\t17"),
                  {u"Azul Systems\\Zulu\\zulu-21", u"C:\\z", kInstallationPath},
                  {u"Microsoft\\JDK\\11.0.21\\hotspot\\MSI", u"C:\\m11", kPath}},
     .java_home = u"C:\\z"},
    {.name = "TieGoesToTheEarlierRow",
     .registry = {{u"Microsoft\\JDK\\21.0.1\\hotspot\\MSI", u"C:\\ms", kPath},
                  Temurin(u"21.0.1", u"C:\\t")},
     .java_home = u"C:\\t"},
    {.name = "ClassicBeforeNewerVendor",
     .registry = {Temurin(u"21", u"C:\\t"), {kJre + u"1.8", u"C:\\18"}}, .java_home = u"C:\\18"},
    {.name = "VendorEntriesPassedOverQuietly",
     .registry = {Typed(4, Temurin(u"21", u"1")),
                  Stale({u"Semeru\\JDK\\21\\openj9\\MSI", u"C:\\x", kPath}),
                  Typed(11, {u"Microsoft\\JDK\\21\\hotspot\\MSI", u"C:\\q", kPath}),
                  {u"BellSoft\\Liberica\\jdk-current", u"C:\\n", kInstallationPath},
                  In32({u"Azul Systems\\Zulu 32-bit\\zulu-11", u"C:\\z", kInstallationPath})},
     .java_home = u"C:\\z"},
    {.name = "OnlyUnusableVendors",
     .registry = {Stale(Temurin(u"9", u"C:\\x")), {u"SapMachine\\JRE\\1.3.1", u"C:\\o"}},
     .messages = kNotNewEnough, .status = kOld},
    {.name = "PerUserVendor", .registry = {PerUser(Temurin(u"21", u"C:\\u"))},
     .java_home = u"C:\\u"},
    {.name = "MachineVendorAfterStaleClassicBeforeUser",
     .registry = {Stale({kJdk + u"17", u"C:\\x"}), PerUser({kJre + u"1.8", u"C:\\u"}),
                  Temurin(u"8", u"C:\\t")},
     .java_home = u"C:\\t"},
    {.name = "UserAfterEverythingStaleOnTheMachine",
     .registry = {Stale({kJre + u"1.8", u"C:\\gone"}), PerUser({kJre + u"1.6", u"C:\\user"})},
     .java_home = u"C:\\user"},
    {.name = "CannotStart", .registry = {{kJdk + u"17", u"C:\\17"}}, .java_home = u"C:\\17",
     .messages = {kNotStarted + u"Not found.\r\n\r\n" + Line(u"C:\\17")}, .status = kFailed,
     .start_error = LauncherError(u"Not found.")},
    {.name = "FolderUnreadable", .registry = {{kJdk + u"17", u"C:\\17"}},
     .messages = {kNotStarted + u"Denied."}, .status = kFailed,
     .path_error = LauncherError(u"Denied.")},
    // The places besides the registry, each against the next.
    {.name = "OverrideFirstAndTakenAsItIs", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .java_home = u"C:\\o", .environment = {{u"SMELTRA_JAVA_HOME", u" \"C:\\o\\bin\\\" "}},
     .files = {Java(u"C:\\jre")}},
    {.name = "BlankOverrideIsUnset", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .java_home = u"C:\\runtime", .environment = {{u"SMELTRA_JAVA_HOME", u" \"\" "}},
     .files = {Java(u"C:\\runtime")}},
    {.name = "ShippedJreBeforeRuntimeFolderAndRegistry", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .java_home = u"C:\\jre", .files = {Java(u"C:\\jre"), Java(u"C:\\runtime")}},
    {.name = "RegistryBeforeJavaHome", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .java_home = u"C:\\18", .environment = {{u"JAVA_HOME", u"C:\\jdk"}},
     .files = {Java(u"C:\\jdk")}},
    {.name = "RegistryWithoutFolderStands",
     .registry = {{kJre + u"1.8"}, {kJre + u"1.9", u"C:\\19"}},
     .environment = {{u"JAVA_HOME", u"C:\\jdk"}}, .files = {Java(u"C:\\jdk"), kSystemJava}},
    {.name = "JavaHomeAsWritten", .java_home = u"C:\\Program Files\\jdk-21",
     .environment = {{u"JAVA_HOME", u" \"C:\\Program Files\\jdk-21\\BIN\\\"\t"}},
     .files = {Java(u"C:\\Program Files\\jdk-21")}},
    {.name = "StaleJavaHomeThenPathsBinEntry", .java_home = u"C:\\jdk;17",
     .environment = {{u"JAVA_HOME", u"C:\\gone"},
                     {u"PATH", u";jdk\\bin;C:bin;C:\\Oracle\\javapath;C:\\nojava\\bin;C:\\other\\lib;"
                               u"\"C:\\jdk;17\\bin\\\";C:\\jdk21\\bin"}},
     .files = {u"C:\\Oracle\\javapath\\java.exe", Java(u"C:\\jdk;17"), Java(u"C:\\other"),
               Java(u"C:\\jdk21")}},
    {.name = "StaleEverywhereWithoutKeys", .messages = kNotInstalled, .status = kNone,
     .environment = {{u"JAVA_HOME", u"C:\\gone"}, {u"PATH", u"C:\\gone\\bin"}}},
    {.name = "ExpandedJavaHome",
     .registry = {Stale(Typed(2, {kJre + u"1.8", u"%SystemDrive%\\Java\\jre8"}))},
     .java_home = u"C:\\Java\\jre8", .environment = {{u"SystemDrive", u"C:"}},
     .files = {Java(u"C:\\Java\\jre8")}},
    {.name = "ExpandedVendorFolder", .registry = {Stale(Typed(2, Temurin(u"21", u"%PF%\\t")))},
     .java_home = u"C:\\PF\\t", .environment = {{u"PF", u"C:\\PF"}},
     .files = {Java(u"C:\\PF\\t")}},
    // A relative folder is read against the launcher's folder, never the
    // current one, which holds a planted runtime at every relative path.
    {.name = "RelativeJavaHomeBesideTheLauncher", .registry = {{kJre + u"1.8", u"jre8"}},
     .java_home = u"C:\\jre8", .files = {Java(u"C:\\jre8")}},
    {.name = "RelativeVendorFolderStaleBesideTheLauncher",
     .registry = {Temurin(u"21", u"\\jdk21"), {u"Microsoft\\JDK\\17\\hotspot\\MSI", u"C:\\m", kPath}},
     .java_home = u"C:\\m"},
    {.name = "RelativeOverrideTakenBesideTheLauncher", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .java_home = u"C:\\jdk", .environment = {{u"SMELTRA_JAVA_HOME", u"C:jdk\\bin"}}},
    // A network path names a folder only with its server and its share.
    {.name = "OverrideOnAServerWithoutShare", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .messages = {kNotStarted + u"SMELTRA_JAVA_HOME \\\\srv" +
                  std::u16string(messages::kOverrideNoFolder)},
     .status = kFailed, .environment = {{u"SMELTRA_JAVA_HOME", u"\"\\\\srv\\\""}}},
    {.name = "NoShareInJavaHomeOrPath", .java_home = u"C:\\jdk",
     .environment = {{u"JAVA_HOME", u"\\\\\\x\\bin"},
                     {u"PATH", u"\\\\srv\\\\bin;\\\\\\bin;\\\\srv\\bin;C:\\jdk\\bin"}},
     .files = {Java(u"C:\\jdk")}},
    {.name = "RegisteredFolderOnAServerWithoutShare",
     .registry = {{kJre + u"1.8", u"\\\\srv\\"}, {kJre + u"1.9", u"C:\\19"}},
     .java_home = u"C:\\19"},
    {.name = "RelativeJavaHomeVariablePassedOver", .messages = kNotInstalled, .status = kNone,
     .environment = {{u"JAVA_HOME", u"C:jdk"}}, .files = {Java(u"C:\\jdk")}},
    // `java` from the search path, never from the launcher's or the current folder.
    {.name = "JavaInAWindowsFolderBeforePath", .registry = {{kJre + u"1.8"}},
     .environment = {{u"PATH", u"C:\\tools"}},
     .files = {u"C:\\java.exe", u"C:\\Windows\\java.exe", u"C:\\tools\\java.exe"},
     .program = u"C:\\Windows\\java.exe"},
    {.name = "JavaOnAnAbsolutePathEntry", .registry = {{kJre + u"1.8"}},
     .environment = {{u"PATH", u".;tools;\"C:\\tools\\\""}},
     .files = {u"C:\\java.exe", u"C:\\tools\\java.exe"},
     .program = u"C:\\tools\\java.exe"},
    {.name = "JavaNowhere", .registry = {{kJre + u"1.8"}},
     .messages = {kNotStarted + std::u16string(messages::kJavaNotOnSearchPath) + u"\r\n\r\n" +
                  Line(u"")},
     .status = kFailed, .environment = {{u"PATH", u"."}}, .files = {u"C:\\java.exe"}},
    // The first seconds of the server: only a failure status within the watch is a failure.
    {.name = "RuntimeEndsAtOnceAfterOptions", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .java_home = u"C:\\18",
     .messages = {kNotStarted + std::u16string(messages::kServerStoppedAtOnce) + u"1.\r\n" +
                  std::u16string(messages::kOptionsUsed) + kOptionsFile + u".\r\n" +
                  std::u16string(messages::kLastLinesIn) + kLog + u":\r\n" +
                  u"Error: Could not find or load main class Velquist.Frame11\r\n" +
                  std::u16string(messages::kSeeRuntimeMessage) + u"C:\\.\r\n\r\n" +
                  Line(u"C:\\18", u" \"-Dname=a b\"")},
     .status = kFailed, .ended_with = 1, .vmoptions = "-Dname=a b", .options = u" \"-Dname=a b\"",
     .runtime_writes = "Error: Could not find or load main class Velquist.Frame11\r\n"},
    {.name = "WindowsStatusAlsoInHexadecimal", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .java_home = u"C:\\18",
     .messages = {kNotStarted + std::u16string(messages::kServerStoppedAtOnce) +
                  u"3221225781 (0xC0000135).\r\n" + std::u16string(messages::kNothingWrittenIn) +
                  kLog + u".\r\n" + std::u16string(messages::kSeeRuntimeMessage) +
                  u"C:\\.\r\n\r\n" + Line(u"C:\\18")},
     .status = kFailed, .ended_with = 0xC0000135},
    {.name = "OptionsPastTheCommandLineLimit", .registry = {{kJre + u"1.8", u"C:\\18"}},
     .messages = {kNotStarted + std::u16string(messages::kOptionsFile) + kOptionsFile + u": " +
                  u"with these options the command line would be longer than the 32,767 characters "
                  u"Windows allows."},
     .status = kFailed, .vmoptions = "-Dx=" + std::string(32700, 'x')}};
// clang-format on
INSTANTIATE_TEST_SUITE_P(Cases, StartUpTest, ::testing::ValuesIn(kCases),
                         [](const auto& test) { return std::string(test.param.name); });

// Support reads the whole search with a debugger: each place and its outcome.
TEST(StartUpTest, TracesEveryPlaceLookedAt) {
  MemoryRegistry registry;
  testing::FakePlatform platform;
  registry.At(k64, kHklm, u"SOFTWARE\\" + kJre + u"1.3");
  registry.SetValue(k64, kHklm, u"SOFTWARE\\" + kJre + u"1.8", u"JavaHome",
                    {reg_type::kSz, MemoryRegistry::LeBytes(u"C:\\gone")});
  platform.environment = {{u"JAVA_HOME", u"jdk"}, {u"PATH", u"\\\\srv\\bin;C:\\jdk\\bin"}};
  platform.files = {Java(u"C:\\jdk")};
  EXPECT_EQ(
      std::get<FoundRuntime>(LocateJavaRuntime(registry, RuntimeSearchViews(false), platform, kApp))
          .home,
      u"C:\\jdk");
  const std::u16string key = u"HKLM\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\";
  EXPECT_EQ(platform.traces,
            (Texts{u"SMELTRA_JAVA_HOME: not there", u"C:\\jre: no bin\\java.exe",
                   u"C:\\runtime: no bin\\java.exe", key + u"1.3: too old",
                   key + u"1.8: no bin\\java.exe", u"JAVA_HOME jdk: relative, passed over",
                   u"PATH \\\\srv\\bin: names no folder", u"PATH C:\\jdk\\bin: used"}));
}

TEST(RuntimeVersionTest, FirstThreeCharactersAsANumber) {
  const std::pair<std::u16string, std::optional<double>> cases[] = {
      {u"1.4", 1.4}, {u"1.4.2_03", 1.4}, {u"1.10", 1.1}, {u"2", 2},    {u"17.0.9", 17},
      {u" 1.", 1},   {u"-1", -1},        {u"+.5", 0.5},  {u"abc", {}}, {u"1,5", {}},
      {u"1e5", {}},  {u"inf", {}},       {u"nan", {}},   {u"", {}},    {u"21-ea", {}},
      {u"1..", {}},  {u"0x1", {}},       {u"\xD800", {}}};
  for (const auto& [name, number] : cases) {
    std::optional<double> read;
    EXPECT_EQ(testing::ThrownBy([&] { read = RuntimeVersionNumber(name); }),
              number ? u"" : NotANumber(name));
    EXPECT_EQ(read, number) << ::testing::PrintToString(name);
  }
}

TEST(RuntimeVersionTest, VendorNamesAsNumbers) {
  using Numbers = std::vector<std::uint32_t>;
  // clang-format off
  const std::pair<std::u16string, std::optional<Numbers>> cases[] = {
      {u"21.0.1.12", Numbers{21, 0, 1, 12}}, {u"zulu-17", Numbers{17}}, {u"zulu-8-jre", Numbers{8}},
      {u"jdk-21", Numbers{21}}, {u"1.8.0_392", Numbers{8, 0, 392}}, {u"1", Numbers{1}},
      {u"latest", std::nullopt}, {u"99999999999", std::nullopt}};
  // clang-format on
  for (const auto& [name, numbers] : cases) EXPECT_EQ(VendorVersion(name), numbers);
}

TEST(FolderOfFileTest, DriveRootsKeepTheirSeparator) {
  // clang-format off
  const std::pair<std::u16string, std::u16string> folders[] = {
      {u"C:\\A\\x.exe", u"C:\\A"}, {u"C:\\x.exe", u"C:\\"}, {u"\\\\?\\C:\\x.exe", u"\\\\?\\C:\\"},
      {u"\\\\srv\\share\\x.exe", u"\\\\srv\\share"}, {u"C:\\F\xD800\\x.exe", u"C:\\F\xD800"},
      {u"x.exe", u""}};
  // clang-format on
  for (const auto& [file, folder] : folders) EXPECT_EQ(FolderOfFile(file), folder);
}

// Windows' reading of a path's start, which the fake platform and the fuzz
// target trust: a relative path is never looked up.
TEST(PathKindTest, RootsAsWindowsReadsThem) {
  using enum PathKind;
  // clang-format off
  const std::pair<std::u16string, PathKind> cases[] = {
      {u"C:\\", kAbsolute}, {u"c:/jre", kAbsolute}, {u"C:", kRelative}, {u"C:jre", kRelative},
      {u"\\jre", kRelative}, {u"jre", kRelative}, {u"", kRelative}, {u"1:\\x", kRelative},
      {u"\\\\srv\\share", kAbsolute}, {u"//srv/share/jre", kAbsolute}, {u"\\\\.x\\s", kAbsolute},
      {u"\\\\", kNoFolder}, {u"\\\\\\x", kNoFolder}, {u"\\\\srv", kNoFolder},
      {u"\\\\srv\\", kNoFolder}, {u"\\\\srv\\\\share", kNoFolder},
      {u"\\\\?\\C:\\jre", kAbsolute}, {u"\\\\.\\C:", kAbsolute}, {u"//?/Volume{1}/", kAbsolute},
      {u"\\\\?\\UNC\\srv\\share", kAbsolute}, {u"\\\\?\\unc\\srv", kNoFolder},
      {u"\\\\?\\UNC\\", kNoFolder}, {u"\\\\?\\", kNoFolder}, {u"\\\\?", kNoFolder},
      {u"\\\\?\\UNCx", kAbsolute}};
  // clang-format on
  for (const auto& [path, kind] : cases)
    EXPECT_EQ(KindOf(path), kind) << ::testing::PrintToString(path);
}

// Every relative form as Windows reads it, with `folder` as the current
// folder and the other drives at their roots; absolute text kept exactly.
TEST(AbsoluteAgainstTest, EveryRelativeFormAgainstTheFolder) {
  // clang-format off
  const std::tuple<std::u16string, std::u16string, std::u16string> cases[] = {
      {u"jre", u"C:\\App", u"C:\\App\\jre"}, {u"..\\jre\\", u"C:\\App\\", u"C:\\App\\..\\jre\\"},
      {u"jre", u"C:\\", u"C:\\jre"}, {u"\\jre", u"C:\\App", u"C:\\jre"}, {u"/jre", u"C:\\App", u"C:/jre"},
      {u"c:jre", u"C:\\App", u"C:\\App\\jre"}, {u"C:", u"C:\\App", u"C:\\App"},
      {u"Z:jre", u"C:\\App", u"Z:\\jre"}, {u"\\jre", u"\\\\srv\\share\\App", u"\\\\srv\\share\\jre"},
      {u"C:jre", u"\\\\srv\\share", u"C:\\jre"}, {u"\\jre", u"\\\\?\\C:\\App", u"\\\\?\\C:\\jre"},
      {u"C:jre", u"\\\\?\\C:\\App", u"\\\\?\\C:\\App\\jre"}, {u"D:\\jre\\", u"C:\\App", u"D:\\jre\\"},
      {u"//srv/j", u"C:\\App", u"//srv/j"}, {u"", u"C:\\App", u""}, {u"\\\\", u"C:\\App", u"\\\\"},
      {u"\\jre", u"\\\\?\\UNC\\srv\\share\\App", u"\\\\?\\UNC\\srv\\share\\jre"}};
  // clang-format on
  for (const auto& [path, folder, absolute] : cases) {
    EXPECT_EQ(AbsoluteAgainst(path, folder), absolute) << ::testing::PrintToString(path);
  }
}

// What a box says for a failure that is no LauncherError.
TEST(ErrorDescriptionTest, OtherFailures) {
  EXPECT_EQ(ErrorDescription(std::bad_alloc()), u"Out of memory");
  EXPECT_EQ(ErrorDescription(std::runtime_error("odd")), u"odd");
}

}  // namespace
}  // namespace smeltra
