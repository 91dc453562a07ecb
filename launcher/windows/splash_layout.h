#pragma once

// The splash window's controls as they were designed: every position and size
// in twips (1/1440 inch), font sizes in twips too (20 to a point), so that one
// conversion serves both at any DPI. Nothing here touches the window system.

#include <array>
#include <cstdint>
#include <string_view>

namespace smeltra {

// Control IDs of the splash's child windows. Each carries the name of the
// control it stands for, so that tests and UI automation can find it:
//   LabelN              -> N           (Label6 .. Label13)
//   lblCompany(index)   -> 100 + index (the two-element control array)
//   Frame2              -> 200 + 2
//   Image2              -> 300 + 2
enum SplashControlId : int {
  kLabel6 = 6,
  kLabel7 = 7,
  kLabel8 = 8,
  kLabel9 = 9,
  kLabel10 = 10,
  kLabel12 = 12,
  kLabel13 = 13,
  kLblCompany2 = 102,
  kLblCompany3 = 103,
  kFrame2 = 202,
  kImage2 = 302,
};

// Timer1: its timer ID on the splash window and its interval.
inline constexpr std::uintptr_t kTimer1 = 1;
inline constexpr unsigned kTimer1IntervalMs = 2000;

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

enum class TextAlignment { kLeft, kCentre, kRight };

struct LabelFont {
  std::wstring_view face;
  int size_twips;  // points x 20
  bool bold;
  bool italic;
  bool serif;  // the family to fall back on when the face is missing
};

struct LabelDesign {
  SplashControlId id;
  std::wstring_view text;
  TwipsRect bounds;
  TextAlignment alignment;
  LabelFont font;
  std::uint8_t red;
  std::uint8_t green;
  std::uint8_t blue;
};

// The window's client area; Frame2 fills it but for a 45-twip band at the
// bottom and runs 15 twips past its right edge.
inline constexpr int kClientWidthTwips = 7770;
inline constexpr int kClientHeightTwips = 5640;
inline constexpr TwipsRect kFrame2Bounds{0, 0, 7785, 5595};

// Image2's place; it is shown at the picture's own size, which was drawn to
// fill exactly this box at 96 DPI (400 x 200 pixels).
inline constexpr TwipsRect kImage2Bounds{840, 1320, 6000, 3000};
inline constexpr int kImage2DesignDpi = 96;

namespace splash_fonts {
inline constexpr LabelFont kHeading{L"MS Serif", 360, true, false, true};
inline constexpr LabelFont kProduct{L"Times New Roman", 285, true, false, true};
inline constexpr LabelFont kVersion{L"Arial", 240, true, false, false};
inline constexpr LabelFont kPlatforms{L"Arial", 195, true, false, false};
inline constexpr LabelFont kSmallPrint{L"Arial", 150, false, true, false};
inline constexpr LabelFont kContact{L"Arial", 180, true, false, false};
inline constexpr LabelFont kBlank{L"Arial", 165, false, false, false};
}  // namespace splash_fonts

// clang-format off
inline constexpr std::array<LabelDesign, 9> kSplashLabels{{
    // control, text, {left, top, width, height}, alignment, font, colour (red, green, blue)
    {kLabel13,     L"Tolvan Software Systems",     {480,  240, 6660, 405}, TextAlignment::kCentre, splash_fonts::kHeading,    128, 0, 0},
    {kLabel12,     L"Tolvan Smeltra",              {1230, 840, 5175, 330}, TextAlignment::kCentre, splash_fonts::kProduct,    0, 0, 0},
    {kLabel10,     L"Version 1.0.1",               {120, 4320, 1470, 285}, TextAlignment::kRight,  splash_fonts::kVersion,    0, 0, 0},
    {kLabel7,      L"For Windows - 9X/NT/2000/XP", {120, 4680, 2790, 240}, TextAlignment::kLeft,   splash_fonts::kPlatforms,  0, 0, 0},
    {kLabel8,      L"Copyright \u00a9 2004",       {5160, 4320, 2415, 255}, TextAlignment::kLeft,  splash_fonts::kSmallPrint, 0, 0, 0},
    {kLblCompany3, L"Tolvan Software Systems",     {5160, 4560, 2415, 255}, TextAlignment::kLeft,  splash_fonts::kSmallPrint, 0, 0, 0},
    {kLblCompany2, L"Hyttby, Sweden",              {5160, 4800, 2415, 255}, TextAlignment::kLeft,  splash_fonts::kSmallPrint, 0, 0, 0},
    {kLabel6,      L"Tel +46 555 010 20   www.example.com   smeltra@example.com",
                                                   {240, 5040, 7095, 195}, TextAlignment::kLeft,   splash_fonts::kContact,    0, 0, 0},
    {kLabel9,      L" ",                           {240, 5280, 6975, 255}, TextAlignment::kLeft,   splash_fonts::kBlank,      0, 0, 0},
}};
// clang-format on

// Twips to pixels at `dpi` (15 twips a pixel at 96 DPI), rounded to the
// nearest pixel with halves away from zero, as the window system's MulDiv.
constexpr int TwipsToPixels(int twips, unsigned dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = 720;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / 1440 : -((-scaled + half) / 1440));
}

struct PixelBox {
  int left;
  int top;
  int width;
  int height;
};

// `bounds` in pixels at `dpi`; each of the four converted on its own.
constexpr PixelBox ToPixels(const TwipsRect& bounds, unsigned dpi) {
  return PixelBox{TwipsToPixels(bounds.left, dpi), TwipsToPixels(bounds.top, dpi),
                  TwipsToPixels(bounds.width, dpi), TwipsToPixels(bounds.height, dpi)};
}

// A label's box made wide enough for a text `text_width` pixels wide. The
// designed boxes hold their texts exactly at 96 DPI, but fonts do not scale
// in step with the boxes, and at other DPIs a text may come out a few pixels
// wider. The box then grows away from its aligned edge (both ways when
// centred); a box that holds its text stays as it is.
constexpr PixelBox WidenToFit(PixelBox box, int text_width, TextAlignment alignment) {
  const int missing = text_width - box.width;
  if (missing <= 0) return box;
  if (alignment == TextAlignment::kRight) box.left -= missing;
  if (alignment == TextAlignment::kCentre) box.left -= missing / 2;
  box.width = text_width;
  return box;
}

}  // namespace smeltra
