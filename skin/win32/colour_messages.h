// The colours a top-level window hands its controls and itself through the
// WM_CTLCOLOR* messages.
#pragma once

#include "resources.h"

namespace skin::win32 {

// The brush for the message, its DC's colours set, after the window's own
// handling gave `original`; `original` itself when the skin has nothing to say
// about this control.
LRESULT ControlColours(HWND window, UINT message, HDC dc, HWND control, LRESULT original,
                       const Resources& skin);

// A dialog's class: message boxes and other dialog boxes.
bool IsDialog(HWND window);
bool HasClass(HWND window, const wchar_t* name);
// Windows whose class erases them with a brush and that show a caption: plain
// application windows. Windows that paint their own background, dialogs
// (WM_CTLCOLORDLG) and pop-ups keep their own.
bool TakesWindowBackground(HWND window);

}  // namespace skin::win32
