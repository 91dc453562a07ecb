// The launcher's folder: the rule for cutting a path, and the folder that a
// real program reports from where it was put, long paths included.

#include "launcher/windows/platform/launcher_folder.h"

#include <gtest/gtest.h>

#include <string>

#include "registry/windows/wide_text.h"
#include "tests/unit/registry_test_support.h"
#include "tests/windows/windows_test_support.h"

namespace smeltra {
namespace {

using testing::NameOfCase;

struct FolderOfFileCase {
  std::string name;
  std::wstring file;
  std::wstring folder;
};

class FolderOfFileTest : public ::testing::TestWithParam<FolderOfFileCase> {};

TEST_P(FolderOfFileTest, CutsAtTheLastSeparator) {
  EXPECT_EQ(FolderOfFile(GetParam().file), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, FolderOfFileTest,
    ::testing::Values(
        FolderOfFileCase{"Folder", L"C:\\Tolvan\\Smeltra\\Smeltra.exe", L"C:\\Tolvan\\Smeltra"},
        FolderOfFileCase{"DriveRootKeepsSeparator", L"C:\\Smeltra.exe", L"C:\\"},
        FolderOfFileCase{"ExtendedDriveRoot", L"\\\\?\\D:\\Smeltra.exe", L"\\\\?\\D:\\"},
        FolderOfFileCase{"ExtendedFolder", L"\\\\?\\D:\\a\\Smeltra.exe", L"\\\\?\\D:\\a"},
        FolderOfFileCase{"Share", L"\\\\server\\share\\Smeltra.exe", L"\\\\server\\share"},
        FolderOfFileCase{"BlanksAndNonAscii", L"E:\\Tolvan Sm\u00e9ltra \u2713\\x.exe",
                         L"E:\\Tolvan Sm\u00e9ltra \u2713"},
        FolderOfFileCase{"ForwardSlash", L"C:/Smeltra/Smeltra.exe", L"C:/Smeltra"},
        FolderOfFileCase{"NoSeparator", L"Smeltra.exe", L""}),
    NameOfCase());

// Where a copy of the probe is put, below a scratch folder.
struct RealFolderCase {
  std::string name;
  std::wstring relative_folder;
};

// A folder below the scratch folder, made through the extended-length form so
// that its length is not limited.
std::wstring MakeDeepFolder(const std::wstring& base, const std::wstring& relative) {
  std::wstring folder = base;
  std::size_t start = 0;
  while (start <= relative.size()) {
    const std::size_t end = std::min(relative.find(L'\\', start), relative.size());
    folder += L"\\" + relative.substr(start, end - start);
    CreateDirectoryW((L"\\\\?\\" + folder).c_str(), nullptr);
    start = end + 1;
  }
  return folder;
}

std::wstring RepeatedSegments(int count) {
  std::wstring relative;
  for (int i = 0; i < count; ++i) {
    if (i > 0) relative += L"\\";
    relative += L"segment-" + std::to_wstring(i) + L"-" + std::wstring(50, L'd');
  }
  return relative;
}

// Runs the probe from `folder` and gives what it reports, or "status N".
std::string ReportedFolder(const testing::ScratchFolder& scratch, const std::wstring& folder) {
  const std::wstring probe = folder + (folder.back() == L'\\' ? L"" : L"\\") +
                             testing::UniqueName(L"platform_probe") + L".exe";
  if (!CopyFileW(testing::HelperProgram(L"platform_probe.exe").c_str(), probe.c_str(), FALSE)) {
    return "cannot copy the probe: " + std::to_string(GetLastError());
  }
  const std::wstring output = scratch.wide() + L"\\folder.txt";
  const std::optional<DWORD> status =
      testing::RunAndWait(probe, L"\"" + probe + L"\" folder \"" + output + L"\"", scratch.wide());
  DeleteFileW(probe.c_str());
  if (status != 0u) return "status " + std::to_string(status.value_or(~0u));
  return testing::ReadWholeFile(output).value_or("no output");
}

class LauncherFolderOfProgram : public ::testing::TestWithParam<RealFolderCase> {};

TEST_P(LauncherFolderOfProgram, IsTheFolderItWasStartedFrom) {
  const testing::ScratchFolder scratch;
  const std::wstring folder = MakeDeepFolder(scratch.wide(), GetParam().relative_folder);
  EXPECT_EQ(ReportedFolder(scratch, folder), Narrow(folder));
}

INSTANTIATE_TEST_SUITE_P(
    Places, LauncherFolderOfProgram,
    ::testing::Values(RealFolderCase{"Plain", L"Smeltra"},
                      RealFolderCase{
                          "BlanksAndNonAscii",
                          L"Tolvan Smeltra\\\u00dcn\u00efc\u00f8d\u00e9 \u2713 \U0001D11E"},
                      RealFolderCase{"Nested", RepeatedSegments(2)}),
    NameOfCase());

TEST(LauncherFolderOfProgramAtDriveRoot, KeepsTheSeparator) {
  const testing::ScratchFolder scratch;
  wchar_t windows_folder[MAX_PATH]{};
  ASSERT_GT(GetWindowsDirectoryW(windows_folder, MAX_PATH), 2u);
  const std::wstring root = std::wstring(windows_folder, 2) + L"\\";  // "C:\"
  EXPECT_EQ(ReportedFolder(scratch, root), Narrow(root));
}

// A program cannot be started from a path longer than MAX_PATH (CreateProcessW
// refuses it), but a library can be loaded from one, and the module path is
// read by the same code for both.
TEST(ModuleFileNameLongerThan260, IsNotCut) {
  const testing::ScratchFolder scratch;
  const std::wstring folder = MakeDeepFolder(scratch.wide(), RepeatedSegments(9));
  const std::wstring library = folder + L"\\smeltra_planted.dll";
  ASSERT_GT(library.size(), 2u * MAX_PATH);  // so the buffer has to grow twice
  testing::CopyProgram(testing::HelperProgram(L"smeltra_planted.dll"), L"\\\\?\\" + library);
  const HMODULE module = LoadLibraryW((L"\\\\?\\" + library).c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  const std::wstring reported = ModuleFileName(module);
  FreeLibrary(module);
  EXPECT_EQ(Narrow(reported), Narrow(library));
  EXPECT_EQ(Narrow(FolderOfFile(reported)), Narrow(folder));
}

}  // namespace
}  // namespace smeltra
