// WindowsPlatform against the real system: the server's runtime started
// hidden, failures in the system's own words, files, DLL planting and the
// message box as the user sees it.

#include "launcher/windows/windows_platform.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "launcher/messages.h"
#include "launcher/server_start.h"
#include "registry/windows/wide_text.h"
#include "tests/windows/test_support.h"

namespace smeltra {
namespace {

using testing::ScratchFolder;
using testing::Wide;

// Starts the server's command line for a runtime at `home` in the launcher's
// folder `folder`, a recording copy of this program standing in for java.exe,
// and checks what the runtime saw of its start.
void ExpectServerStarted(const std::wstring& home, const std::wstring& folder) {
  const std::wstring java = home + (home.ends_with(L'\\') ? L"" : L"\\") + L"bin\\java.exe";
  ASSERT_TRUE(testing::CopyThisProgram(java));
  const std::u16string line = ServerCommandLine(FromWide(home), FromWide(folder));
  DeleteFileW(testing::RecordFile().c_str());  // left by a start that should have failed
  WindowsPlatform().StartHidden(line, FromWide(folder));
  const std::wstring classpath = folder + L"\\Quorvane\\lib\\vuz.jar;" + folder + L"\\Quorvane";
  EXPECT_EQ(testing::TakeStartRecord(),
            (std::vector<std::wstring>{java, Wide(line), folder, std::to_wstring(SW_HIDE),
                                       home + L"\\bin\\java.exe", L"-classpath", classpath,
                                       L"Velquist.Frame11"}));
}

TEST(StartHiddenTest, TheRuntimeGetsTheLineHiddenInTheLaunchersFolder) {
  for (const auto& [home, folder] : {
           std::pair{L"Java\\jre 1.8", L"Tolvan Smeltra"},
           {L"jre\\", L"Smeltra"},
           {L"J\u00e4v\u00e4 \u2713\\jdk \U0001D11E", L"Sm\u00e9ltra \u00dcn\u00efc\u00f8d\u00e9"},
       }) {
    SCOPED_TRACE(home);
    const ScratchFolder scratch;
    ExpectServerStarted(scratch.path() + L"\\" + home, scratch.Folder(folder));
  }
}

TEST(StartHiddenTest, FoldersWithUnpairedSurrogatesAreNamedExactly) {
  if (!testing::FolderNamesHoldLoneSurrogates()) GTEST_SKIP() << "the file system cannot";
  const ScratchFolder scratch;
  const std::wstring home = scratch.path() + L"\\jre\xD800";
  ExpectServerStarted(home, scratch.Folder(L"Smeltra\xDC00"));
  EXPECT_TRUE(WindowsPlatform().FileExists(FromWide(home + L"\\bin\\java.exe")));
  EXPECT_FALSE(WindowsPlatform().FileExists(FromWide(home)));
}

TEST(StartHiddenTest, AProgramPlantedAtTheFirstBlankIsNotRun) {
  const std::wstring planted = L"C:\\Program.exe";
  if (!testing::CopyThisProgram(planted)) GTEST_SKIP() << "cannot write " << planted;
  {
    const ScratchFolder program_files(L"C:\\Program Files");
    ExpectServerStarted(program_files.path() + L"\\jre 1.8", program_files.Folder(L"Smeltra"));
  }
  DeleteFileW(planted.c_str());
}

TEST(StartHiddenTest, AFailedStartCarriesTheSystemsCodeAndText) {
  const ScratchFolder scratch;
  for (const auto& [line, folder, code] : {
           std::tuple{L"\"" + scratch.path() + L"\\java.exe\"", scratch.path(),
                      ERROR_FILE_NOT_FOUND},
           {L"\"" + testing::ThisProgram() + L"\"", scratch.path() + L"\\none", ERROR_DIRECTORY},
       }) {
    try {
      WindowsPlatform().StartHidden(FromWide(line), FromWide(folder));
      ADD_FAILURE() << "started " << line;
    } catch (const LauncherError& error) {
      EXPECT_EQ(error.number(), static_cast<std::int32_t>(code));
      EXPECT_EQ(error.description(), SystemError(code).description());
    }
  }
  // The system's text without its line break; a number it has no text for.
  const std::u16string text = SystemError(ERROR_FILE_NOT_FOUND).description();
  EXPECT_NE(text, u"Error 2.");
  EXPECT_EQ(text.find_first_of(u"\r\n"), std::u16string::npos);
  EXPECT_EQ(SystemError(0x20001234).description(), u"Error 536875572.");
}

TEST(FilesTest, ExistsOnlyForFilesAndTheProgramKnowsItsPath) {
  const ScratchFolder scratch;
  const std::wstring file = scratch.path() + L"\\\u00dcn\u00efc\u00f8d\u00e9 \U0001D11E.txt";
  ASSERT_TRUE(testing::CopyThisProgram(file));
  EXPECT_TRUE(WindowsPlatform().FileExists(FromWide(file)));
  EXPECT_FALSE(WindowsPlatform().FileExists(FromWide(scratch.path())));
  EXPECT_FALSE(WindowsPlatform().FileExists(FromWide(scratch.path() + L"\\missing.txt")));
  // Exact paths of copies in odd folders come with the start records.
  const std::wstring program = Wide(WindowsPlatform().ExecutablePath());
  EXPECT_TRUE(program.ends_with(L"\\" SMELTRA_TEST_PROGRAM_NAME)) << program;
  EXPECT_TRUE(WindowsPlatform().FileExists(FromWide(program)));
}

TEST(HardenDllSearchTest, PlantedDllsAreNoLongerLoadedByName) {
  const ScratchFolder scratch;
  const std::wstring program = scratch.path() + L"\\program\\launcher.exe";
  ASSERT_TRUE(testing::CopyThisProgram(program));
  const std::filesystem::path dll =
      std::filesystem::path(testing::ThisProgram()).replace_filename(L"smeltra_planted.dll");
  std::filesystem::copy_file(dll, scratch.path() + L"\\program\\beside.dll");
  std::filesystem::copy_file(dll, scratch.Folder(L"current") + L"\\current.dll");
  // Unhardened, the plants work: the test can tell.
  for (const auto& [name, harden, loaded] : {std::tuple{L"beside.dll", false, L"loaded"},
                                             {L"beside.dll", true, L"not loaded"},
                                             {L"current.dll", false, L"loaded"},
                                             {L"current.dll", true, L"not loaded"},
                                             {L"oleaut32.dll", true, L"loaded"}}) {
    const std::wstring line = L"\"" + program + L"\" --load " + name + (harden ? L" harden" : L"");
    WindowsPlatform().StartHidden(FromWide(line), FromWide(scratch.path() + L"\\current"));
    const std::vector<std::wstring> record = testing::TakeStartRecord();
    EXPECT_EQ(record.empty() ? L"no record" : record.back(), loaded) << line;
  }
}

TEST(ShowMessageTest, CaptionTextAnOkButtonAloneAndNoIcon) {
  const std::u16string prompt = u"Could not start.\r\n\r\n\"C:\\J\u00e4v\u00e4\\bin\\java.exe\"";
  std::vector<std::wstring> seen;
  std::thread reader(
      [&, thread = GetCurrentThreadId()] { seen = testing::ReadAndPressOk(thread); });
  WindowsPlatform().ShowMessage(prompt);
  reader.join();
  EXPECT_EQ(seen, (std::vector<std::wstring>{Wide(std::u16string(messages::kApplicationTitle)),
                                             L"Button OK", L"Static " + Wide(prompt)}));
}

}  // namespace
}  // namespace smeltra
