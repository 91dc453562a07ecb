// Timer1's tick and the ways the splash ends the message loop. The trap these
// guard against: a quit message queued before the start-up's message boxes
// makes each of them return at once, unseen.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "launcher/windows/frm_splash.h"
#include "splash_test_support.h"

namespace smeltra {
namespace {

using testing::QuitPending;
using testing::TakeQuitCode;

class SplashTickTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.initialised());
    testing::DrainMessages();
  }
  void TearDown() override { testing::DrainMessages(); }

  // What the start-up saw of the world when it ran.
  struct StartUpView {
    int runs = 0;
    bool splash_still_there = false;
    bool quit_already_pending = false;
  };

  FrmSplash::StartUp RecordingStartUp(StartUpView& view, HWND& splash_window, ExitCode result) {
    return [&view, &splash_window, result] {
      ++view.runs;
      view.splash_still_there = IsWindow(splash_window) != FALSE;
      view.quit_already_pending = QuitPending();
      return result;
    };
  }

  // A splash whose Timer1 is never armed: the test sends the tick itself.
  // `window` is filled in once the splash exists, for the start-up to look at.
  std::unique_ptr<FrmSplash> UnarmedSplash(StartUpView& view, HWND& window, ExitCode result) {
    SplashOptions options;
    options.arm_timer = false;
    auto splash = std::make_unique<FrmSplash>(GetModuleHandleW(nullptr),
                                              RecordingStartUp(view, window, result), options);
    if (splash->Create()) window = splash->window();
    return splash;
  }

  ComApartment com_;
};

TEST_F(SplashTickTest, TickClosesTheSplashFirstAndQuitsWithTheStartUpsCodeAfterIt) {
  StartUpView view;
  HWND window = nullptr;
  const auto splash = UnarmedSplash(view, window, ExitCode::kNoRuntimeNewEnough);
  ASSERT_NE(window, nullptr);

  SendMessageW(window, WM_TIMER, kTimer1, 0);

  EXPECT_EQ(view.runs, 1);
  EXPECT_FALSE(view.splash_still_there);
  EXPECT_FALSE(view.quit_already_pending);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(splash->window(), nullptr);
  EXPECT_EQ(TakeQuitCode(), static_cast<int>(ExitCode::kNoRuntimeNewEnough));
}

TEST_F(SplashTickTest, ClosingBeforeTheTickQuitsWithZeroAndStartsNothing) {
  StartUpView view;
  HWND window = nullptr;
  const auto splash = UnarmedSplash(view, window, ExitCode::kServerNotStarted);
  ASSERT_NE(window, nullptr);

  SendMessageW(window, WM_CLOSE, 0, 0);

  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(view.runs, 0);
  EXPECT_EQ(TakeQuitCode(), static_cast<int>(ExitCode::kServerStarted));
}

TEST_F(SplashTickTest, ClicksAndKeysDoNothing) {
  StartUpView view;
  HWND window = nullptr;
  const auto splash = UnarmedSplash(view, window, ExitCode::kServerStarted);
  ASSERT_NE(window, nullptr);

  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
  SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
  SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
  SendMessageW(window, WM_CHAR, L' ', 0);
  SendMessageW(window, WM_KEYDOWN, VK_ESCAPE, 0);

  EXPECT_TRUE(IsWindow(window));
  EXPECT_EQ(view.runs, 0);
  EXPECT_FALSE(QuitPending());
}

TEST_F(SplashTickTest, OwnerDestroyingTheSplashIsNoRequestToQuit) {
  HWND window = nullptr;
  {
    SplashOptions options;
    options.arm_timer = false;
    FrmSplash splash(GetModuleHandleW(nullptr), nullptr, options);
    ASSERT_TRUE(splash.Create());
    window = splash.window();
  }
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(QuitPending());
}

// The armed timer, for real: one tick, not before its interval.
TEST_F(SplashTickTest, Timer1TicksOnceAfterItsInterval) {
  StartUpView view;
  HWND window = nullptr;
  FrmSplash splash(GetModuleHandleW(nullptr),
                   RecordingStartUp(view, window, ExitCode::kServerStarted));
  const auto created = std::chrono::steady_clock::now();
  ASSERT_TRUE(splash.Create());
  window = splash.window();

  // A loop like the program's, with a way out should the tick never come.
  const UINT_PTR give_up = SetTimer(nullptr, 0, 30000, nullptr);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (message.hwnd == nullptr && message.message == WM_TIMER && message.wParam == give_up) break;
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, give_up);
  const auto elapsed = std::chrono::steady_clock::now() - created;

  ASSERT_EQ(message.message, static_cast<UINT>(WM_QUIT)) << "Timer1 never ticked";
  EXPECT_EQ(view.runs, 1);
  EXPECT_FALSE(view.splash_still_there);
  // Window timers may come a few milliseconds early, never a whole tick early.
  EXPECT_GE(elapsed, std::chrono::milliseconds(kTimer1IntervalMs - 100));
}

}  // namespace
}  // namespace smeltra
