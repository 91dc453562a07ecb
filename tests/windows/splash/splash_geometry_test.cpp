// The splash's real child windows, measured: places and sizes in pixels, texts,
// fonts, alignments and colours, at 96 DPI (the system's under Wine) and at
// 144 DPI (a window laid out for it). The expected pixels are the design's
// twips converted by hand (15 twips a pixel at 96 DPI, halves rounded up).

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "launcher/windows/frm_splash.h"
#include "splash_test_support.h"
#include "tests/unit/registry_test_support.h"

namespace smeltra {
namespace {

using testing::WindowText;

struct PixelRect {
  int left;
  int top;
  int width;
  int height;
  bool operator==(const PixelRect&) const = default;
};

void PrintTo(const PixelRect& rect, std::ostream* out) {
  *out << "{" << rect.left << ", " << rect.top << ", " << rect.width << ", " << rect.height << "}";
}

struct ExpectedLabel {
  int id;
  std::wstring_view text;
  PixelRect at96;
  PixelRect at144;
  int font_height96;  // LOGFONT height: minus the character height in pixels
  int font_height144;
  std::wstring_view face;
  bool bold;
  bool italic;
  DWORD alignment;  // SS_LEFT, SS_CENTER or SS_RIGHT
  COLORREF colour;
};

constexpr COLORREF kBlack = RGB(0, 0, 0);

// Label6 .. Label13 have their number as ID, lblCompany(i) 100 + i.
const std::array<ExpectedLabel, 9> kExpectedLabels{{
    {13,
     L"Tolvan Software Systems",
     {32, 16, 444, 27},
     {48, 24, 666, 41},
     -24,
     -36,
     L"MS Serif",
     true,
     false,
     SS_CENTER,
     RGB(128, 0, 0)},
    {12,
     L"Tolvan Smeltra",
     {82, 56, 345, 22},
     {123, 84, 518, 33},
     -19,
     -29,
     L"Times New Roman",
     true,
     false,
     SS_CENTER,
     kBlack},
    {10,
     L"Version 1.0.1",
     {8, 288, 98, 19},
     {12, 432, 147, 29},
     -16,
     -24,
     L"Arial",
     true,
     false,
     SS_RIGHT,
     kBlack},
    {7,
     L"For Windows - 9X/NT/2000/XP",
     {8, 312, 186, 16},
     {12, 468, 279, 24},
     -13,
     -20,
     L"Arial",
     true,
     false,
     SS_LEFT,
     kBlack},
    {8,
     L"Copyright \u00a9 2004",
     {344, 288, 161, 17},
     {516, 432, 242, 26},
     -10,
     -15,
     L"Arial",
     false,
     true,
     SS_LEFT,
     kBlack},
    {103,
     L"Tolvan Software Systems",
     {344, 304, 161, 17},
     {516, 456, 242, 26},
     -10,
     -15,
     L"Arial",
     false,
     true,
     SS_LEFT,
     kBlack},
    {102,
     L"Hyttby, Sweden",
     {344, 320, 161, 17},
     {516, 480, 242, 26},
     -10,
     -15,
     L"Arial",
     false,
     true,
     SS_LEFT,
     kBlack},
    {6,
     L"Tel +46 555 010 20   www.example.com   smeltra@example.com",
     {16, 336, 473, 13},
     {24, 504, 710, 20},
     -12,
     -18,
     L"Arial",
     true,
     false,
     SS_LEFT,
     kBlack},
    {9,
     L" ",
     {16, 352, 465, 17},
     {24, 528, 698, 26},
     -11,
     -17,
     L"Arial",
     false,
     false,
     SS_LEFT,
     kBlack},
}};

constexpr int kFrame2Id = 202;
constexpr int kImage2Id = 302;

struct DpiCase {
  const char* name;
  unsigned requested_dpi;  // 0: whatever the system gives (96 under Wine)
  unsigned dpi;
  SIZE client;
  PixelRect frame2;
  PixelRect image2;
};

const DpiCase kDpiCases[] = {
    {"SystemDpi96", 0, 96, {518, 376}, {0, 0, 519, 373}, {56, 88, 400, 200}},
    {"Dpi144", 144, 144, {777, 564}, {0, 0, 779, 560}, {84, 132, 600, 300}},
};

void PrintTo(const DpiCase& dpi_case, std::ostream* out) { *out << dpi_case.name; }

PixelRect ChildRect(HWND child) {
  RECT rect{};
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return PixelRect{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

LOGFONTW FontOf(HWND control) {
  LOGFONTW font{};
  const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (handle != nullptr) GetObjectW(handle, sizeof font, &font);
  return font;
}

// How wide `text` comes out in the font `control` shows it in.
int TextWidth(HWND control, std::wstring_view text) {
  HDC dc = GetDC(control);
  const HGDIOBJ old =
      SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE extent{};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return extent.cx;
}

class SplashGeometryTest : public ::testing::TestWithParam<DpiCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(com_.initialised());
    SplashOptions options;
    options.arm_timer = false;
    options.dpi = GetParam().requested_dpi;
    splash_.emplace(GetModuleHandleW(nullptr), nullptr, options);
    ASSERT_TRUE(splash_->Create());
    window_ = splash_->window();
    ASSERT_EQ(splash_->dpi(), GetParam().dpi) << "Wine's system DPI is not 96 in this prefix";
  }
  void TearDown() override {
    splash_.reset();
    testing::DrainMessages();
  }

  const PixelRect& Expected(const ExpectedLabel& label) const {
    return GetParam().dpi == 96 ? label.at96 : label.at144;
  }
  int ExpectedFontHeight(const ExpectedLabel& label) const {
    return GetParam().dpi == 96 ? label.font_height96 : label.font_height144;
  }

  ComApartment com_;
  std::optional<FrmSplash> splash_;
  HWND window_ = nullptr;
};

struct ChildControl {
  int id;
  std::wstring class_name;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM found) {
  wchar_t class_name[32]{};
  GetClassNameW(child, class_name, 32);
  reinterpret_cast<std::vector<ChildControl>*>(found)->push_back(
      ChildControl{GetDlgCtrlID(child), class_name});
  return TRUE;
}

TEST_P(SplashGeometryTest, HasExactlyTheDesignedChildControls) {
  std::vector<ChildControl> children;
  EnumChildWindows(window_, &CollectChild, reinterpret_cast<LPARAM>(&children));
  std::vector<int> ids;
  for (const ChildControl& child : children) {
    ids.push_back(child.id);
    EXPECT_EQ(CompareStringOrdinal(child.class_name.c_str(), -1, L"Static", -1, TRUE), CSTR_EQUAL)
        << "control " << child.id;
  }
  std::sort(ids.begin(), ids.end());
  EXPECT_EQ(ids, (std::vector<int>{6, 7, 8, 9, 10, 12, 13, 102, 103, 202, 302}));
}

TEST_P(SplashGeometryTest, ClientAreaAndFrame) {
  RECT client{};
  GetClientRect(window_, &client);
  EXPECT_EQ(client.right, GetParam().client.cx);
  EXPECT_EQ(client.bottom, GetParam().client.cy);

  const HWND frame = GetDlgItem(window_, kFrame2Id);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(ChildRect(frame), GetParam().frame2);
  EXPECT_EQ(WindowText(frame), L"");
  // Under every other control, or it would hide them where they overlap.
  EXPECT_EQ(GetWindow(frame, GW_HWNDNEXT), nullptr);
}

TEST_P(SplashGeometryTest, PictureIsShownAtItsOwnSizeScaledForTheDpi) {
  const HWND picture = GetDlgItem(window_, kImage2Id);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(ChildRect(picture), GetParam().image2);
  EXPECT_EQ(GetWindowLongPtrW(picture, GWL_STYLE) & SS_TYPEMASK, SS_OWNERDRAW);
}

TEST_P(SplashGeometryTest, LabelsHaveTheirPlaceTextFontAndAlignment) {
  for (const ExpectedLabel& label : kExpectedLabels) {
    SCOPED_TRACE(::testing::Message() << "control " << label.id);
    const HWND control = GetDlgItem(window_, label.id);
    ASSERT_NE(control, nullptr);
    const PixelRect designed = Expected(label);
    const PixelRect actual = ChildRect(control);
    const int text_width = TextWidth(control, label.text);
    if (text_width <= designed.width) {
      EXPECT_EQ(actual, designed) << "text " << text_width << " pixels wide";
    } else {
      // Fonts do not scale in step with the boxes: a text that came out wider
      // than its box widens it just enough, away from the aligned edge.
      EXPECT_EQ(actual.top, designed.top);
      EXPECT_EQ(actual.height, designed.height);
      EXPECT_EQ(actual.width, text_width);
      if (label.alignment == SS_LEFT) {
        EXPECT_EQ(actual.left, designed.left);
      }
      if (label.alignment == SS_RIGHT) {
        EXPECT_EQ(actual.left + actual.width, designed.left + designed.width);
      }
      if (label.alignment == SS_CENTER) {
        EXPECT_LE(std::abs(2 * actual.left + actual.width - (2 * designed.left + designed.width)),
                  1);
      }
    }
    EXPECT_EQ(WindowText(control), label.text);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongPtrW(control, GWL_STYLE)) & SS_TYPEMASK,
              label.alignment);

    const LOGFONTW font = FontOf(control);
    EXPECT_EQ(font.lfHeight, ExpectedFontHeight(label));
    EXPECT_EQ(font.lfWeight, label.bold ? FW_BOLD : FW_NORMAL);
    EXPECT_EQ(font.lfItalic != 0, label.italic);
    EXPECT_EQ(std::wstring_view(font.lfFaceName), label.face);
  }
}

TEST_P(SplashGeometryTest, LabelsAreDrawnInTheirColours) {
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);
  for (const ExpectedLabel& label : kExpectedLabels) {
    SCOPED_TRACE(::testing::Message() << "control " << label.id);
    SetTextColor(dc, RGB(1, 2, 3));
    const LRESULT brush = SendMessageW(window_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                       reinterpret_cast<LPARAM>(GetDlgItem(window_, label.id)));
    EXPECT_NE(brush, 0);
    EXPECT_EQ(GetTextColor(dc), label.colour);
  }
  DeleteDC(dc);
}

// Each text fits its box on one line: none is cut short by an ellipsis.
TEST_P(SplashGeometryTest, EveryTextFitsItsBox) {
  for (const ExpectedLabel& label : kExpectedLabels) {
    SCOPED_TRACE(::testing::Message() << "control " << label.id);
    const HWND control = GetDlgItem(window_, label.id);
    RECT box{};
    GetClientRect(control, &box);
    EXPECT_LE(TextWidth(control, label.text), box.right);
    EXPECT_NE(GetWindowLongPtrW(control, GWL_STYLE) & SS_ENDELLIPSIS, 0) << "may wrap";
  }
}

TEST_P(SplashGeometryTest, WindowHasAFixedBorderTitleIconAndCloseButtonOnly) {
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
  EXPECT_EQ(style & WS_CAPTION, static_cast<DWORD>(WS_CAPTION));
  EXPECT_NE(style & WS_SYSMENU, 0u);
  EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
  EXPECT_EQ(WindowText(window_), L"Tolvan Smeltra");
  EXPECT_NE(GetClassLongPtrW(window_, GCLP_HICON), 0);
  EXPECT_NE(GetClassLongPtrW(window_, GCLP_HICONSM), 0);
}

TEST_P(SplashGeometryTest, WindowIsCentredOnThePrimaryMonitor) {
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  ASSERT_TRUE(GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor));
  RECT window{};
  GetWindowRect(window_, &window);
  const RECT& work = monitor.rcWork;
  // Off by at most the half pixel an odd difference leaves.
  EXPECT_LE(std::abs((window.left - work.left) - (work.right - window.right)), 1);
  EXPECT_LE(std::abs((window.top - work.top) - (work.bottom - window.bottom)), 1);
}

INSTANTIATE_TEST_SUITE_P(AtEachDpi, SplashGeometryTest, ::testing::ValuesIn(kDpiCases),
                         testing::NameOfCase());

// A window that follows its monitor lays itself out again when moved to one
// with another DPI, and takes the place the system suggests.
TEST(SplashDpiChange, LaysOutAgainAtTheNewDpi) {
  ComApartment com;
  ASSERT_TRUE(com.initialised());
  SplashOptions options;
  options.arm_timer = false;
  FrmSplash splash(GetModuleHandleW(nullptr), nullptr, options);
  ASSERT_TRUE(splash.Create());
  const HWND window = splash.window();

  RECT suggested{40, 30, 40 + 700, 30 + 520};
  SendMessageW(window, WM_DPICHANGED, MAKEWPARAM(120, 120), reinterpret_cast<LPARAM>(&suggested));

  EXPECT_EQ(splash.dpi(), 120u);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 648);
  EXPECT_EQ(client.bottom, 470);
  RECT outer{};
  GetWindowRect(window, &outer);
  EXPECT_EQ(outer.left, 40);
  EXPECT_EQ(outer.top, 30);
  EXPECT_EQ(ChildRect(GetDlgItem(window, 13)), (PixelRect{40, 20, 555, 34}));
  EXPECT_EQ(FontOf(GetDlgItem(window, 13)).lfHeight, -30);
  EXPECT_EQ(ChildRect(GetDlgItem(window, kImage2Id)), (PixelRect{70, 110, 500, 250}));
  EXPECT_EQ(ChildRect(GetDlgItem(window, 8)), (PixelRect{430, 360, 201, 21}));
  EXPECT_EQ(FontOf(GetDlgItem(window, 8)).lfHeight, -13);
}

}  // namespace
}  // namespace smeltra
