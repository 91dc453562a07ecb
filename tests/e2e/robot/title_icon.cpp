#include "title_icon.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "unique_handle.h"

namespace smeltra::robot {
namespace {

// A picture as 0x00RRGGBB values, row by row from the top.
struct Pixels {
  int width = 0;
  int height = 0;
  std::vector<DWORD> values;
  DWORD At(int x, int y) const { return values[static_cast<std::size_t>(y * width + x)]; }
};

struct FreeModule {
  void operator()(HMODULE module) const { FreeLibrary(module); }
};
using ModuleHandle = UniqueHandle<HMODULE, nullptr, FreeModule>;
constexpr double kMostMeanDistance = 60.0;  // of 765, the three channels' full range

struct DestroyIconHandle {
  void operator()(HICON icon) const { DestroyIcon(icon); }
};
using IconHandle = UniqueHandle<HICON, nullptr, DestroyIconHandle>;

BOOL CALLBACK FirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
  auto* result = reinterpret_cast<std::wstring*>(found);
  if (IS_INTRESOURCE(name)) {
    *result = L"#" + std::to_wstring(reinterpret_cast<std::uintptr_t>(name));
  } else {
    *result = name;
  }
  return FALSE;  // the first is enough
}

// Copies what `draw` paints on a `width` x `height` canvas of `background`
// (a bitmap like the screen's, read back as 32-bit pixels).
template <typename Draw>
Pixels Paint(int width, int height, COLORREF background, Draw draw) {
  Pixels pixels{width, height, std::vector<DWORD>(static_cast<std::size_t>(width * height))};
  const ScreenDc screen;
  const MemoryDc memory(CreateCompatibleDC(screen.get()));
  const GdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!memory || !bitmap) return pixels;
  {
    const SelectedObject selected(memory.get(), bitmap.get());
    const GdiObject brush(CreateSolidBrush(background));
    const RECT all{0, 0, width, height};
    FillRect(memory.get(), &all, static_cast<HBRUSH>(brush.get()));
    draw(memory.get());
    GdiFlush();
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, static_cast<UINT>(height),
            pixels.values.data(), &info, DIB_RGB_COLORS);
  for (DWORD& value : pixels.values) value &= 0xFFFFFF;
  return pixels;
}

Pixels ScreenArea(const RECT& area) {
  return Paint(area.right - area.left, area.bottom - area.top, 0, [&](HDC dc) {
    const ScreenDc screen;
    BitBlt(dc, 0, 0, area.right - area.left, area.bottom - area.top, screen.get(), area.left,
           area.top, SRCCOPY);
  });
}

int ChannelDistance(DWORD a, DWORD b) {
  int total = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    total +=
        std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
  }
  return total;
}

// How an icon drawn at `size` looks: its colours where it is opaque (the
// same on black and on white, give or take rounding), -1 elsewhere.
std::vector<long> OpaqueColours(HICON icon, int size) {
  const auto draw = [&](HDC dc) { DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL); };
  const Pixels on_black = Paint(size, size, RGB(0, 0, 0), draw);
  const Pixels on_white = Paint(size, size, RGB(255, 255, 255), draw);
  std::vector<long> colours(on_black.values.size(), -1);
  for (std::size_t i = 0; i < colours.size(); ++i) {
    if (ChannelDistance(on_black.values[i], on_white.values[i]) <= 12) {
      colours[i] = static_cast<long>(on_black.values[i]);
    }
  }
  return colours;
}

struct Match {
  int opaque = 0;
  double mean_distance = 1e9;  // per opaque pixel, summed over the channels
};

// The best place for the icon in `screen`.
Match BestMatch(const std::vector<long>& icon, int size, const Pixels& screen) {
  Match best;
  for (const long colour : icon) best.opaque += colour >= 0 ? 1 : 0;
  if (best.opaque == 0) return best;
  for (int top = 0; top + size <= screen.height; ++top) {
    for (int left = 0; left + size <= screen.width; ++left) {
      long total = 0;
      for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
          const long colour = icon[static_cast<std::size_t>(y * size + x)];
          if (colour >= 0) {
            total += ChannelDistance(static_cast<DWORD>(colour), screen.At(left + x, top + y));
          }
        }
      }
      best.mean_distance = std::min(best.mean_distance, static_cast<double>(total) / best.opaque);
    }
  }
  return best;
}

}  // namespace

JsonObject CheckTitleIcon(HWND window, const std::wstring& exe_path) {
  JsonObject result;
  const ModuleHandle module(LoadLibraryExW(
      exe_path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  std::wstring name;
  if (module) {
    EnumResourceNamesW(module.get(), RT_GROUP_ICON, FirstName, reinterpret_cast<LONG_PTR>(&name));
  }
  const int size = GetSystemMetrics(SM_CXSMICON);
  if (name.empty()) {
    result.Add("matched", false).Add("error", "the program has no icon");
    return result;
  }
  const wchar_t* id = name[0] == L'#'
                          ? MAKEINTRESOURCEW(std::wcstoul(name.c_str() + 1, nullptr, 10))
                          : name.c_str();

  // The caption band at the window's top left, where the icon stands.
  RECT window_rect{};
  GetWindowRect(window, &window_rect);
  POINT client_origin{0, 0};
  ClientToScreen(window, &client_origin);
  const RECT band{window_rect.left, window_rect.top, window_rect.left + 4 * size, client_origin.y};
  const Pixels screen = ScreenArea(band);

  // The window system may scale any of the icon's images down to the caption's
  // size, each its own way; the closest one counts. Scaling blurs edges, so
  // colours may differ a little, but a foreign icon or none differs a lot.
  Match best;
  for (const int source_size : {size, 32, 48, 256}) {
    const IconHandle candidate(
        static_cast<HICON>(LoadImageW(module.get(), id, IMAGE_ICON, source_size, source_size, 0)));
    if (!candidate) continue;
    const Match match = BestMatch(OpaqueColours(candidate.get(), size), size, screen);
    if (match.mean_distance < best.mean_distance) best = match;
  }
  // Most of a real icon is opaque; a nearly empty one proves nothing.
  const bool matched = best.opaque >= size * size / 4 && best.mean_distance <= kMostMeanDistance;
  result.Add("matched", matched)
      .Add("opaque", best.opaque)
      .Add("mean_distance", best.mean_distance)
      .Add("size", size);
  return result;
}

}  // namespace smeltra::robot
