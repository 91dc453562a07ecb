#pragma once

// The splash picture Image2: GIF bytes from the program's resources, decoded
// by the system's own picture loader (OleLoadPicture), drawn unstretched.

#include <ocidl.h>
#include <windows.h>

#include "common/windows/unique_handles.h"

namespace smeltra {

// Decodes the RCDATA resource `resource_id` of `module`. COM must be
// initialised on the calling thread. Empty when the resource is missing or
// cannot be decoded; the caller owns the one reference returned.
ComPtr<IPicture> LoadPictureResource(HMODULE module, int resource_id);

// The picture's size in pixels as it was drawn; {0, 0} when it holds no bitmap.
SIZE PicturePixelSize(IPicture& picture);

// Draws the whole picture into `target` on `dc`, scaled to fit it.
void DrawPicture(IPicture& picture, HDC dc, const RECT& target);

}  // namespace smeltra
