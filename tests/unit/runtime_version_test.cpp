#include <gtest/gtest.h>

#include <clocale>

#include "launcher/runtime_version.h"
#include "registry/launcher_error.h"

namespace smeltra {
namespace {

struct VersionCase {
  std::string_view subkey;
  double expected;
};

class RuntimeVersionTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(RuntimeVersionTest, ReadsTheFirstThreeCharacters) {
  EXPECT_EQ(RuntimeVersionNumber(GetParam().subkey), GetParam().expected) << GetParam().subkey;
}

INSTANTIATE_TEST_SUITE_P(Numbers, RuntimeVersionTest,
                         ::testing::Values(VersionCase{"1.4", 1.4}, VersionCase{"1.4.2_03", 1.4},
                                           VersionCase{"1.3.1_20", 1.3}, VersionCase{"1.10", 1.1},
                                           VersionCase{"2", 2}, VersionCase{"10", 10},
                                           VersionCase{"17.0.2", 17}, VersionCase{"17.", 17},
                                           VersionCase{".5", 0.5}, VersionCase{" 9 ", 9},
                                           VersionCase{"+1.", 1}, VersionCase{"-1.", -1},
                                           VersionCase{"9.0.4", 9}));

class NotAVersionTest : public ::testing::TestWithParam<std::string_view> {};

TEST_P(NotAVersionTest, RaisesTypeMismatchNamingTheSubkey) {
  try {
    RuntimeVersionNumber(GetParam());
    FAIL() << "accepted " << GetParam();
  } catch (const LauncherError& error) {
    EXPECT_EQ(error.number(), error_number::kTypeMismatch);
    EXPECT_EQ(error.description(),
              "Type mismatch: runtime version \"" + std::string(GetParam()) + "\" is not a number");
  }
}

INSTANTIATE_TEST_SUITE_P(Texts, NotAVersionTest,
                         ::testing::Values("abc", "1,5", "1e5", "inf", "nan", "", " ", ".", "1..",
                                           "1 2", "--1", "21-ea", "0x1", "\u00bd", "1\xff"));

TEST(RuntimeVersionTest, MinimumIsTheDoubleNearestToOnePointFour) {
  EXPECT_EQ(kMinimumRuntimeVersion, 1.4);
  EXPECT_GE(RuntimeVersionNumber("1.4"), kMinimumRuntimeVersion);
  EXPECT_LT(RuntimeVersionNumber("1.3.9"), kMinimumRuntimeVersion);
}

TEST(RuntimeVersionTest, FullStopIsTheSeparatorInEveryLocale) {
  // Where the comma is the decimal separator, a locale-aware reading would
  // fail on "1.4" or take the stop for a thousands mark.
  for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "C.UTF-8"}) {
    if (std::setlocale(LC_ALL, name) == nullptr) continue;
    EXPECT_EQ(RuntimeVersionNumber("1.3.1"), 1.3) << name;
    EXPECT_EQ(RuntimeVersionNumber("1.4"), 1.4) << name;
  }
  std::setlocale(LC_ALL, "C");
}

}  // namespace
}  // namespace smeltra
