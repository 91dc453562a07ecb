// The message box as the user sees it: the system's own dialog, found on the
// screen while it waits, then closed with its OK button.

#include "launcher/windows/platform/message_box_ui.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "registry/windows/wide_text.h"
#include "tests/unit/registry_test_support.h"
#include "tests/windows/windows_test_support.h"

namespace smeltra {
namespace {

using testing::NameOfCase;

// What is on the box: its caption, its visible buttons and texts, and
// whether it shows an icon.
struct BoxContents {
  std::wstring caption;
  std::vector<std::wstring> buttons;
  std::vector<std::wstring> texts;
  bool icon = false;
};

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

BOOL CALLBACK AddChild(HWND child, LPARAM contents_address) {
  auto& contents = *reinterpret_cast<BoxContents*>(contents_address);
  if (!IsWindowVisible(child)) return TRUE;
  wchar_t class_name[64]{};
  GetClassNameW(child, class_name, 64);
  const std::wstring_view kind(class_name);
  const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
  if (kind == L"Button") {
    contents.buttons.push_back(WindowText(child));
  } else if (kind == L"Static" && (style & SS_TYPEMASK) == SS_ICON) {
    if (SendMessageW(child, STM_GETICON, 0, 0) != 0) contents.icon = true;
  } else if (kind == L"Static") {
    contents.texts.push_back(WindowText(child));
  }
  return TRUE;
}

// Waits for the launcher's box on this desktop, reads it and presses OK.
std::optional<BoxContents> ReadAndCloseBox() {
  HWND box = nullptr;
  const std::wstring title = Widen(kApplicationTitle);
  if (!testing::WaitUntil([&] {
        box = FindWindowW(L"#32770", title.c_str());
        return box != nullptr && IsWindowVisible(box);
      })) {
    return std::nullopt;
  }
  BoxContents contents;
  contents.caption = WindowText(box);
  EnumChildWindows(box, AddChild, reinterpret_cast<LPARAM>(&contents));
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  return contents;
}

struct BoxCase {
  std::string name;
  std::string prompt;
};

class MessageBoxOnScreen : public ::testing::TestWithParam<BoxCase> {};

TEST_P(MessageBoxOnScreen, HasTitleTextOkAloneAndNoIcon) {
  std::optional<BoxContents> contents;
  std::thread reader([&] { contents = ReadAndCloseBox(); });
  WindowsUserInterface().ShowMessage(GetParam().prompt);
  reader.join();

  ASSERT_TRUE(contents) << "no box appeared";
  EXPECT_EQ(contents->caption, L"Tolvan Smeltra");
  EXPECT_EQ(contents->buttons, std::vector<std::wstring>{L"OK"});
  EXPECT_EQ(contents->texts, std::vector<std::wstring>{Widen(GetParam().prompt)});
  EXPECT_FALSE(contents->icon);
}

INSTANTIATE_TEST_SUITE_P(
    Prompts, MessageBoxOnScreen,
    ::testing::Values(BoxCase{"Plain", "No Java runtime is installed."},
                      BoxCase{"NonAsciiOnTwoLines",
                              "The Smeltra server could not be started.\r\n\r\n"
                              "\u00c9chec \u2713 \"C:\\J\u00e4v\u00e4\\bin\\java.exe\""}),
    NameOfCase());

}  // namespace
}  // namespace smeltra
