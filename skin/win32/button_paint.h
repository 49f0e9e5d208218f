// A push button drawn in the skin's colours: flat face, one-pixel border (two
// for the default button), centred text, focus rectangle.
#pragma once

#include "resources.h"

namespace skin::win32 {

void PaintPushButton(HWND button, HDC dc, bool hot, const Resources& skin);

}  // namespace skin::win32
