#include <gtest/gtest.h>

#include <functional>

#include "launcher/mod_main.h"
#include "launcher/runtime_messages.h"
#include "registry/memory_registry.h"
#include "registry_test_support.h"

namespace smeltra {
namespace {

using testing::RecordingUserInterface;
using Messages = std::vector<std::string>;
namespace msg = runtime_messages;

constexpr auto k64 = RegistryView::k64Bit;
constexpr auto k32 = RegistryView::k32Bit;
constexpr std::string_view kJre = "SOFTWARE\\JavaSoft\\Java Runtime Environment";
constexpr std::string_view kJdk8 = "SOFTWARE\\JavaSoft\\Java Development Kit";
constexpr std::string_view kJre9 = "SOFTWARE\\JavaSoft\\JRE";
constexpr std::string_view kJdk9 = "SOFTWARE\\JavaSoft\\JDK";

// A version subkey; without a home it has no JavaHome value at all.
struct Runtime {
  RegistryView view;
  std::string_view key;
  std::string version;
  std::optional<std::string> home;
};

struct DiscoveryCase {
  const char* name;
  std::vector<Runtime> runtimes;
  Messages messages;
  std::optional<ExitCode> ended;
  std::string java_home;
  std::function<void(InMemoryRegistry&)> also = nullptr;
  std::vector<RegistryView> views = {k64, k32};
};

std::string Sub(std::string_view key, std::string_view version) {
  return std::string(key) + "\\" + std::string(version);
}

const Messages kNotInstalled = {std::string(msg::kNotInstalled)};
const Messages kNotNewEnough = {std::string(msg::kNotNewEnough)};
Messages SearchError(std::string description) {
  return {std::move(description), std::string(msg::kSearchError)};
}

class DiscoveryTest : public ::testing::TestWithParam<DiscoveryCase> {};

TEST_P(DiscoveryTest, ChoosesShowsAndEndsAsDocumented) {
  const DiscoveryCase& c = GetParam();
  InMemoryRegistry registry;
  for (const Runtime& runtime : c.runtimes) {
    registry.AddKey(runtime.view, kHkeyLocalMachine, Sub(runtime.key, runtime.version));
    if (runtime.home) {
      registry.SetString(runtime.view, kHkeyLocalMachine, Sub(runtime.key, runtime.version),
                         "JavaHome", *runtime.home);
    }
  }
  if (c.also) c.also(registry);
  RecordingUserInterface ui;

  std::string java_home;
  std::optional<ExitCode> ended;
  try {
    java_home = LocateJavaRuntime(registry, c.views, ui);
  } catch (const testing::ProgramEnded& end) {
    ended = end.code;
  }

  EXPECT_EQ(java_home, c.java_home);
  EXPECT_EQ(ui.messages, c.messages);
  EXPECT_EQ(ended, c.ended);
  EXPECT_EQ(registry.open_handle_count(), 0u);
  EXPECT_TRUE(testing::OnlyReadAccessRequested(registry.requested_access()));
}

void SetJavaHome(InMemoryRegistry& registry, std::string_view version, std::uint32_t type,
                 std::vector<std::uint8_t> data) {
  registry.SetValue(k64, kHkeyLocalMachine, Sub(kJre, version), "JavaHome", type, std::move(data));
}

INSTANTIATE_TEST_SUITE_P(
    FailureTableAndEdges, DiscoveryTest,
    ::testing::Values(
        DiscoveryCase{"NoRuntimeKeyAnywhere", {}, kNotInstalled, ExitCode::kNoRuntimeInstalled, ""},
        DiscoveryCase{"RuntimeKeyWithoutSubkeys",
                      {},
                      kNotNewEnough,
                      ExitCode::kNoRuntimeNewEnough,
                      "",
                      [](InMemoryRegistry& r) { r.AddKey(k64, kHkeyLocalMachine, kJre); }},
        DiscoveryCase{"RuntimeKeyNotReadableCountsAsMissing",
                      {},
                      kNotInstalled,
                      ExitCode::kNoRuntimeInstalled,
                      "",
                      [](InMemoryRegistry& r) { r.DenyAccess(k64, kHkeyLocalMachine, kJre); }},
        DiscoveryCase{"OnlyOlderRuntimes",
                      {{k64, kJre, "1.3", "C:\\j13"}, {k64, kJre, "1.3.1_20", "C:\\j131"}},
                      kNotNewEnough,
                      ExitCode::kNoRuntimeNewEnough,
                      ""},
        DiscoveryCase{
            "ExactlyTheMinimumPasses", {{k64, kJre, "1.4", "C:\\j14"}}, {}, {}, "C:\\j14"},
        DiscoveryCase{"FirstPassingInEnumerationOrderWins",
                      {{k64, kJre, "1.3.1", "C:\\old"},
                       {k64, kJre, "1.4.2_03", "C:\\chosen"},
                       {k64, kJre, "1.6.0", "C:\\newer"}},
                      {},
                      {},
                      "C:\\chosen"},
        DiscoveryCase{"TenReadsAsOnePointOne",
                      {{k64, kJre, "1.10", "C:\\j110"}},
                      kNotNewEnough,
                      ExitCode::kNoRuntimeNewEnough,
                      ""},
        DiscoveryCase{"ShortNameReadWhole", {{k64, kJre, "2", "C:\\j2"}}, {}, {}, "C:\\j2"},
        DiscoveryCase{"NotANumberBeforeAPassingName",
                      {{k64, kJre, "abc", "C:\\x"}, {k64, kJre, "1.8", "C:\\j8"}},
                      SearchError("Type mismatch: runtime version \"abc\" is not a number"),
                      {},
                      ""},
        DiscoveryCase{"CommaIsNoDecimalSeparator",
                      {{k64, kJre, "1,5", "C:\\x"}},
                      SearchError("Type mismatch: runtime version \"1,5\" is not a number"),
                      {},
                      ""},
        DiscoveryCase{"NotANumberAfterThePassingNameIsNeverRead",
                      {{k64, kJre, "1.8", "C:\\j8"}, {k64, kJre, "abc", "C:\\x"}},
                      {},
                      {},
                      "C:\\j8"},
        DiscoveryCase{"ChosenRuntimeWithoutJavaHome",
                      {{k64, kJre, "1.8", std::nullopt}, {k64, kJre, "1.9", "C:\\j9"}},
                      {},
                      {},
                      ""},
        DiscoveryCase{"ChosenRuntimeWithEmptyJavaHome", {{k64, kJre, "1.8", ""}}, {}, {}, ""},
        DiscoveryCase{
            "ChosenRuntimeKeyNotReadable",
            {{k64, kJre, "1.8", "C:\\j8"}},
            {},
            {},
            "",
            [](InMemoryRegistry& r) { r.DenyAccess(k64, kHkeyLocalMachine, Sub(kJre, "1.8")); }},
        DiscoveryCase{"JavaHomeOfUnsupportedType",
                      {{k64, kJre, "1.8", std::nullopt}},
                      SearchError("Unsupported value type"),
                      {},
                      "",
                      [](InMemoryRegistry& r) {
                        SetJavaHome(r, "1.8", reg_type::kQword, std::vector<std::uint8_t>(8, 1));
                      }},
        DiscoveryCase{"JavaHomeKeptExactlyWithBlanksAndSeparator",
                      {{k64, kJre, "1.8.0_351", " C:\\Program Files\\Java\\jre 1.8\\ "}},
                      {},
                      {},
                      " C:\\Program Files\\Java\\jre 1.8\\ "},
        DiscoveryCase{"JavaHomeStoredWithoutTerminator",
                      {{k64, kJre, "1.8", std::nullopt}},
                      {},
                      {},
                      "C:\\jre",
                      [](InMemoryRegistry& r) {
                        SetJavaHome(r, "1.8", reg_type::kSz, testing::WideBytes(u"C:\\jre", 0));
                      }},
        DiscoveryCase{"JavaHomeAsBinaryIsWideText",
                      {{k64, kJre, "1.8", std::nullopt}},
                      {},
                      {},
                      "C:\\bin",
                      [](InMemoryRegistry& r) {
                        SetJavaHome(r, "1.8", reg_type::kBinary, testing::WideBytes(u"C:\\bin"));
                      }},
        DiscoveryCase{
            "JavaHomeAsNumberIsItsDigits",
            {{k64, kJre, "1.8", std::nullopt}},
            {},
            {},
            "-1",
            [](InMemoryRegistry& r) {
              SetJavaHome(r, "1.8", reg_type::kDword, testing::Bytes({255, 255, 255, 255}));
            }},
        DiscoveryCase{"JavaHomeEndsAtAnInnerNul",
                      {{k64, kJre, "1.8", std::nullopt}},
                      {},
                      {},
                      "C:\\jre",
                      [](InMemoryRegistry& r) {
                        SetJavaHome(r, "1.8", reg_type::kSz,
                                    testing::WideBytes(std::u16string(u"C:\\jre\0evil", 11)));
                      }},
        DiscoveryCase{"NonAsciiJavaHome",
                      {{k64, kJre, "1.8", "C:\\Programme\\J\u00e4v\u00e4 \u65e5"}},
                      {},
                      {},
                      "C:\\Programme\\J\u00e4v\u00e4 \u65e5"},
        DiscoveryCase{"OnlyInThe32BitView",
                      {{k32, kJre, "1.8.0_351", "C:\\x86\\jre"}},
                      {},
                      {},
                      "C:\\x86\\jre"},
        DiscoveryCase{"SixtyFourBitViewFirst",
                      {{k32, kJre, "1.8", "C:\\x86\\jre"}, {k64, kJre, "1.8", "C:\\x64\\jre"}},
                      {},
                      {},
                      "C:\\x64\\jre"},
        DiscoveryCase{"OldRuntimeIn64BitViewNewIn32Bit",
                      {{k64, kJre, "1.3", "C:\\x64\\old"}, {k32, kJre, "1.6", "C:\\x86\\new"}},
                      {},
                      {},
                      "C:\\x86\\new"},
        DiscoveryCase{"OneViewOnThirtyTwoBitWindows",
                      {{k64, kJre, "1.8", "C:\\jre"}},
                      {},
                      {},
                      "C:\\jre",
                      nullptr,
                      {RegistryView::kNative}},
        DiscoveryCase{
            "DevelopmentKitOfJava8", {{k64, kJdk8, "1.8", "C:\\jdk8"}}, {}, {}, "C:\\jdk8"},
        DiscoveryCase{"Java9AndLaterOnlyUnderJdk",
                      {{k64, kJdk9, "17.0.2", "C:\\jdk17"}},
                      {},
                      {},
                      "C:\\jdk17"},
        DiscoveryCase{"KeysInOrderRuntimeBeforeKits",
                      {{k64, kJdk9, "21", "C:\\jdk21"},
                       {k32, kJre9, "11", "C:\\jre11"},
                       {k32, kJdk8, "1.7", "C:\\jdk7"},
                       {k32, kJre, "1.6", "C:\\jre6"}},
                      {},
                      {},
                      "C:\\jre6"},
        DiscoveryCase{"TooOldEverywhereIsNotNewEnough",
                      {{k64, kJre, "1.3", "C:\\a"}, {k32, kJdk8, "1.2", "C:\\b"}},
                      kNotNewEnough,
                      ExitCode::kNoRuntimeNewEnough,
                      ""},
        DiscoveryCase{"ErrorInALaterKeyEndsTheWholeSearch",
                      {{k64, kJre, "1.3", "C:\\a"},
                       {k64, kJre9, "x11", "C:\\b"},
                       {k64, kJdk9, "17", "C:\\c"}},
                      SearchError("Type mismatch: runtime version \"x11\" is not a number"),
                      {},
                      ""}),
    testing::NameOfCase());

TEST(DiscoveryTest, LaterCallDoesNotKeepAnEarlierFolder) {
  InMemoryRegistry registry;
  registry.SetString(k64, kHkeyLocalMachine, Sub(kJre, "1.8"), "JavaHome", "C:\\jre");
  RecordingUserInterface ui;
  const std::vector<RegistryView> views = {k64};
  ASSERT_EQ(LocateJavaRuntime(registry, views, ui), "C:\\jre");

  registry.SetString(k64, kHkeyLocalMachine, Sub(kJre, "1.8"), "JavaHome", "");
  EXPECT_EQ(LocateJavaRuntime(registry, views, ui), "");
  EXPECT_TRUE(ui.messages.empty());
}

TEST(DiscoveryTest, ReadsOnlyTheChosenRuntimesJavaHome) {
  InMemoryRegistry registry;
  for (const char* version : {"1.3", "1.5", "1.6"}) {
    registry.SetString(k64, kHkeyLocalMachine, Sub(kJre, version), "JavaHome", "C:\\j");
  }
  RecordingUserInterface ui;
  const std::vector<RegistryView> views = {k64, k32};
  LocateJavaRuntime(registry, views, ui);
  EXPECT_EQ(registry.query_count(), 1u);
}

// Fails every value query the way an exhausted heap would.
class OutOfMemoryRegistry final : public Registry {
 public:
  explicit OutOfMemoryRegistry(InMemoryRegistry& inner) : inner_(inner) {}
  std::int32_t OpenKey(KeyHandle parent, std::string_view path, std::uint32_t access,
                       KeyHandle& opened) override {
    return inner_.OpenKey(parent, path, access, opened);
  }
  std::int32_t EnumKey(KeyHandle key, std::uint32_t index, std::string& name) override {
    return inner_.EnumKey(key, index, name);
  }
  std::int32_t QueryValue(KeyHandle, std::string_view, std::uint32_t&, std::span<std::uint8_t>,
                          std::uint32_t&) override {
    throw std::bad_alloc();
  }
  void CloseKey(KeyHandle key) override { inner_.CloseKey(key); }

 private:
  InMemoryRegistry& inner_;
};

TEST(DiscoveryTest, OutOfMemoryIsReportedAsASearchError) {
  InMemoryRegistry registry;
  registry.SetString(k64, kHkeyLocalMachine, Sub(kJre, "1.8"), "JavaHome", "C:\\jre");
  OutOfMemoryRegistry failing(registry);
  RecordingUserInterface ui;
  const std::vector<RegistryView> views = {k64};

  EXPECT_EQ(LocateJavaRuntime(failing, views, ui), "");
  EXPECT_EQ(ui.messages, SearchError("Out of memory"));
  EXPECT_EQ(registry.open_handle_count(), 0u);
}

}  // namespace
}  // namespace smeltra
