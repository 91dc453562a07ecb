// Image2's picture: the GIF in the resources, decoded by OleLoadPicture.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>

#include "launcher/windows/splash_picture.h"
#include "resources/resource_ids.h"
#include "splash_test_support.h"

namespace smeltra {
namespace {

// Draws the picture at its own size into 32-bit pixels, top row first.
class RenderedPicture {
 public:
  RenderedPicture(IPicture& picture, SIZE size) : size_(size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size.cx;
    info.bmiHeader.biHeight = -size.cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    dc_ = CreateCompatibleDC(nullptr);
    bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    old_ = SelectObject(dc_, bitmap_);
    DrawPicture(picture, dc_, RECT{0, 0, size.cx, size.cy});
    GdiFlush();
  }
  ~RenderedPicture() {
    SelectObject(dc_, old_);
    DeleteObject(bitmap_);
    DeleteDC(dc_);
  }
  RenderedPicture(const RenderedPicture&) = delete;
  RenderedPicture& operator=(const RenderedPicture&) = delete;

  // The pixel at (x, y) as 0xRRGGBB.
  std::uint32_t At(int x, int y) const {
    return static_cast<const std::uint32_t*>(bits_)[y * size_.cx + x] & 0xFFFFFFu;
  }

 private:
  SIZE size_;
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

int Red(std::uint32_t rgb) { return static_cast<int>(rgb >> 16); }
int Green(std::uint32_t rgb) { return static_cast<int>((rgb >> 8) & 0xFF); }
int Blue(std::uint32_t rgb) { return static_cast<int>(rgb & 0xFF); }

TEST(SplashPicture, DecodesTheResourceAt400By200) {
  ComApartment com;
  ASSERT_TRUE(com.initialised());
  const ComPtr<IPicture> picture =
      LoadPictureResource(GetModuleHandleW(nullptr), SMELTRA_IDR_SPLASH_PICTURE);
  ASSERT_TRUE(picture);
  const SIZE size = PicturePixelSize(*picture.get());
  EXPECT_EQ(size.cx, 400);
  EXPECT_EQ(size.cy, 200);
}

// The picture's own pixels come through: the dark night sky in the top left
// corner, the glowing furnace mouth left of centre.
TEST(SplashPicture, DrawsThePicturesOwnPixels) {
  ComApartment com;
  ASSERT_TRUE(com.initialised());
  const ComPtr<IPicture> picture =
      LoadPictureResource(GetModuleHandleW(nullptr), SMELTRA_IDR_SPLASH_PICTURE);
  ASSERT_TRUE(picture);
  const RenderedPicture pixels(*picture.get(), SIZE{400, 200});

  const std::uint32_t sky = pixels.At(2, 2);
  EXPECT_LT(Red(sky), 60) << std::hex << sky;
  EXPECT_LT(Green(sky), 60) << std::hex << sky;
  EXPECT_LT(Blue(sky), 80) << std::hex << sky;

  const std::uint32_t glow = pixels.At(90, 130);
  EXPECT_GT(Red(glow), 220) << std::hex << glow;
  EXPECT_GT(Green(glow), 180) << std::hex << glow;
}

TEST(SplashPicture, MissingResourceGivesNoPicture) {
  ComApartment com;
  ASSERT_TRUE(com.initialised());
  EXPECT_FALSE(LoadPictureResource(GetModuleHandleW(nullptr), 4242));
}

}  // namespace
}  // namespace smeltra
