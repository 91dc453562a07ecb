#include "screenshot.h"

#include <vector>

#include "unique_handle.h"

namespace smeltra::robot {

RECT WholeScreen() {
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
              top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

bool SaveScreenArea(const RECT& area, const std::wstring& path) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return false;

  const ScreenDc screen;
  const MemoryDc memory(CreateCompatibleDC(screen.get()));
  const GdiObject bitmap(CreateCompatibleBitmap(screen.get(), width, height));
  if (!memory || !bitmap) return false;
  {
    const SelectedObject selected(memory.get(), bitmap.get());
    BitBlt(memory.get(), 0, 0, width, height, screen.get(), area.left, area.top, SRCCOPY);
  }

  BITMAPINFOHEADER header{};
  header.biSize = sizeof header;
  header.biWidth = width;
  header.biHeight = height;  // bottom-up, as BMP files store rows
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = BI_RGB;
  const DWORD row_bytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  std::vector<BYTE> pixels(static_cast<std::size_t>(row_bytes) * static_cast<DWORD>(height));
  if (!GetDIBits(memory.get(), static_cast<HBITMAP>(bitmap.get()), 0, static_cast<UINT>(height),
                 pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS)) {
    return false;
  }

  BITMAPFILEHEADER file_header{};
  file_header.bfType = 0x4D42;  // "BM"
  file_header.bfOffBits = sizeof file_header + sizeof header;
  file_header.bfSize = file_header.bfOffBits + static_cast<DWORD>(pixels.size());

  const HANDLE raw = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
  if (raw == INVALID_HANDLE_VALUE) return false;
  const KernelHandle file(raw);
  DWORD written = 0;
  bool ok = WriteFile(file.get(), &file_header, sizeof file_header, &written, nullptr) != FALSE;
  ok = ok && WriteFile(file.get(), &header, sizeof header, &written, nullptr) != FALSE;
  ok = ok && WriteFile(file.get(), pixels.data(), static_cast<DWORD>(pixels.size()), &written,
                       nullptr) != FALSE;
  return ok;
}

}  // namespace smeltra::robot
