// After HardenDllSearch, a DLL planted beside the program or in its current
// folder is no longer found by its bare name; before, it is (which shows that
// the plant would work).

#include "launcher/windows/platform/hardening.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/unit/registry_test_support.h"
#include "tests/windows/windows_test_support.h"

namespace smeltra {
namespace {

using testing::NameOfCase;

struct PlantCase {
  std::string name;
  std::wstring library;  // planted beside the probe, or in its current folder
  bool harden;
  bool expect_loaded;
};

class PlantedLibrary : public ::testing::TestWithParam<PlantCase> {};

TEST_P(PlantedLibrary, IsLoadedOnlyWithoutHardening) {
  const PlantCase& c = GetParam();
  const testing::ScratchFolder scratch;
  const std::wstring program_folder = scratch.MakeFolder(L"program");
  const std::wstring current_folder = scratch.MakeFolder(L"current");
  const std::wstring probe = program_folder + L"\\platform_probe.exe";
  const std::wstring planted = testing::HelperProgram(L"smeltra_planted.dll");
  testing::CopyProgram(testing::HelperProgram(L"platform_probe.exe"), probe);
  testing::CopyProgram(planted, program_folder + L"\\smeltra_beside.dll");
  testing::CopyProgram(planted, current_folder + L"\\smeltra_current.dll");

  const std::optional<DWORD> status = testing::RunAndWait(
      probe, L"\"" + probe + L"\" load " + c.library + (c.harden ? L" harden" : L""),
      current_folder);
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, c.expect_loaded ? 1u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Places, PlantedLibrary,
    ::testing::Values(PlantCase{"BesideProgram", L"smeltra_beside.dll", false, true},
                      PlantCase{"BesideHardenedProgram", L"smeltra_beside.dll", true, false},
                      PlantCase{"InCurrentFolder", L"smeltra_current.dll", false, true},
                      PlantCase{"InHardenedCurrentFolder", L"smeltra_current.dll", true, false},
                      // System libraries must still load.
                      PlantCase{"SystemLibraryWhenHardened", L"oleaut32.dll", true, true}),
    NameOfCase());

struct EndCase {
  std::string name;
  int code;
};

class EndProgramStatus : public ::testing::TestWithParam<EndCase> {};

TEST_P(EndProgramStatus, IsTheProcessExitStatus) {
  const std::wstring probe = testing::HelperProgram(L"platform_probe.exe");
  const std::optional<DWORD> status =
      testing::RunAndWait(probe, L"\"" + probe + L"\" end " + std::to_wstring(GetParam().code));
  ASSERT_TRUE(status);
  EXPECT_EQ(*status, static_cast<DWORD>(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(Codes, EndProgramStatus,
                         ::testing::Values(EndCase{"ServerStarted", 0},
                                           EndCase{"NoRuntimeNewEnough", 2},
                                           EndCase{"ServerNotStarted", 3}),
                         NameOfCase());

}  // namespace
}  // namespace smeltra
