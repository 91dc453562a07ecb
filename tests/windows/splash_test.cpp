// frmSplash in the real window system: where its children sit at two DPIs,
// and how Timer1's tick ends the message loop.

#include "launcher/windows/frm_splash.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>

#include "launcher/windows/unique_handles.h"

namespace smeltra {
namespace {

std::array<int, 4> Of(const PixelBox& box) { return {box.left, box.top, box.width, box.height}; }

// `child`'s place in its parent's client area.
std::array<int, 4> PlaceOf(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

// How wide `text` comes out in the font `control` was given.
int TextWidth(HWND control, std::wstring_view text) {
  SIZE extent{};
  HDC dc = GetDC(control);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return extent.cx;
}

TEST(SplashLayoutTest, ChildrenSitWhereTheLayoutTablePutsThem) {
  for (const unsigned dpi : {96u, 144u}) {
    SCOPED_TRACE(dpi);
    const ComApartment com;  // for the picture
    FrmSplash splash(GetModuleHandleW(nullptr), nullptr, SplashOptions{false, dpi});
    ASSERT_TRUE(splash.Create());
    const HWND window = splash.window();
    RECT client{};
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, TwipsToPixels(kClientWidthTwips, dpi));
    EXPECT_EQ(client.bottom, TwipsToPixels(kClientHeightTwips, dpi));
    for (const LabelDesign& label : kSplashLabels) {
      const HWND control = GetDlgItem(window, label.id);
      ASSERT_NE(control, nullptr) << label.id;
      // A label grows away from its aligned edge only as far as its text needs.
      EXPECT_EQ(PlaceOf(control), Of(WidenToFit(ToPixels(label.bounds, dpi),
                                                TextWidth(control, label.text), label.alignment)))
          << label.id;
    }
    EXPECT_EQ(PlaceOf(GetDlgItem(window, kFrame2)), Of(ToPixels(kFrame2Bounds, dpi)));
    // The picture at its own size, which fills the designed box.
    EXPECT_EQ(PlaceOf(GetDlgItem(window, kImage2)), Of(ToPixels(kImage2Bounds, dpi)));
  }
}

// The program's loop, giving the quit message's code, or -1 when none comes.
int RunLoop() {
  const UINT_PTR give_up = SetTimer(nullptr, 0, 10000, nullptr);
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0 &&
         !(message.message == WM_TIMER && message.hwnd == nullptr && message.wParam == give_up)) {
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, give_up);
  return message.message == WM_QUIT ? int(message.wParam) : -1;
}

TEST(SplashTickTest, TickClosesThenStartsOnceAndQuitsAfterTheStartUp) {
  const ComApartment com;  // for the picture
  int runs = 0;
  bool splash_gone = false, quit_pending = false;
  HWND window = nullptr;
  std::chrono::steady_clock::duration ticked_after{};
  const auto created = std::chrono::steady_clock::now();
  FrmSplash splash(GetModuleHandleW(nullptr), [&] {
    ticked_after = std::chrono::steady_clock::now() - created;
    ++runs;
    splash_gone = !IsWindow(window);
    // A quit message queued already would end the start-up's boxes unseen.
    MSG quit{};
    quit_pending = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE);
    return ExitCode::kNoRuntimeNewEnough;
  });
  ASSERT_TRUE(splash.Create());
  window = splash.window();
  EXPECT_EQ(RunLoop(), static_cast<int>(ExitCode::kNoRuntimeNewEnough));
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(splash_gone);
  EXPECT_FALSE(quit_pending);
  // Timer1, armed at creation: two seconds, give or take the timer's grain.
  EXPECT_GE(ticked_after, std::chrono::milliseconds(1900));
  EXPECT_LT(ticked_after, std::chrono::milliseconds(3000));
}

}  // namespace
}  // namespace smeltra
