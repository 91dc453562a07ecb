#include "launcher/windows/splash_picture.h"

#include <objidl.h>
#include <olectl.h>

#include <cstring>

namespace smeltra {
namespace {

// A movable copy of `size` bytes at `data`, as CreateStreamOnHGlobal wants it.
UniqueGlobalMemory CopyToGlobalMemory(const void* data, DWORD size) {
  UniqueGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return {};
  void* const target = GlobalLock(memory.get());
  if (target == nullptr) return {};
  std::memcpy(target, data, size);
  GlobalUnlock(memory.get());
  return memory;
}

}  // namespace

ComPtr<IPicture> LoadPictureResource(HMODULE module, int resource_id) {
  // Resource memory belongs to the module and needs no freeing.
  const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(resource_id), RT_RCDATA);
  if (resource == nullptr) return {};
  const DWORD size = SizeofResource(module, resource);
  const HGLOBAL loaded = LoadResource(module, resource);
  const void* const bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
  if (bytes == nullptr || size == 0) return {};

  UniqueGlobalMemory memory = CopyToGlobalMemory(bytes, size);
  if (!memory) return {};
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(memory.get(), TRUE, stream.put()))) return {};
  memory.release();  // the stream frees it now

  ComPtr<IPicture> picture;
  if (FAILED(OleLoadPicture(stream.get(), static_cast<LONG>(size), FALSE, IID_IPicture,
                            picture.put_void()))) {
    return {};
  }
  return picture;
}

SIZE PicturePixelSize(IPicture& picture) {
  SHORT type = PICTYPE_NONE;
  OLE_HANDLE handle = 0;
  if (FAILED(picture.get_Type(&type)) || type != PICTYPE_BITMAP ||
      FAILED(picture.get_Handle(&handle))) {
    return SIZE{0, 0};
  }
  // The himetric size would do only at the DPI the picture was loaded at;
  // the bitmap's own pixels are what was drawn.
  BITMAP bitmap{};
  // OLE_HANDLE is 32 bits wide; handles widen with their sign, as LongToHandle does.
  const auto bitmap_handle =
      reinterpret_cast<HBITMAP>(static_cast<LONG_PTR>(static_cast<LONG>(handle)));
  if (GetObjectW(bitmap_handle, sizeof bitmap, &bitmap) != sizeof bitmap) return SIZE{0, 0};
  return SIZE{bitmap.bmWidth, bitmap.bmHeight};
}

void DrawPicture(IPicture& picture, HDC dc, const RECT& target) {
  OLE_XSIZE_HIMETRIC width = 0;
  OLE_YSIZE_HIMETRIC height = 0;
  if (FAILED(picture.get_Width(&width)) || FAILED(picture.get_Height(&height))) return;
  // Smooth rather than dropped rows when the DPI scales the picture up.
  const int old_mode = SetStretchBltMode(dc, HALFTONE);
  POINT old_origin{};
  SetBrushOrgEx(dc, 0, 0, &old_origin);
  // Himetric runs upwards: start at the bottom edge with a negative height.
  picture.Render(dc, target.left, target.top, target.right - target.left,
                 target.bottom - target.top, 0, height, width, -height, nullptr);
  SetBrushOrgEx(dc, old_origin.x, old_origin.y, nullptr);
  SetStretchBltMode(dc, old_mode);
}

}  // namespace smeltra
