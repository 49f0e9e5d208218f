#include "colour_messages.h"

namespace skin::win32 {

namespace {

// Background and text for one kind of control. With no background of the
// skin's, the window's own brush and background colour stay.
LRESULT Colours(HDC dc, const std::optional<COLORREF>& background, HBRUSH brush,
                const std::optional<COLORREF>& text, LRESULT original) {
  if (text) SetTextColor(dc, *text);
  if (!background || !brush) return original;
  SetBkColor(dc, *background);
  return reinterpret_cast<LRESULT>(brush);
}

}  // namespace

bool HasClass(HWND window, const wchar_t* name) {
  wchar_t found[64];
  return GetClassNameW(window, found, 64) > 0 && lstrcmpiW(found, name) == 0;
}

bool IsDialog(HWND window) { return HasClass(window, L"#32770"); }

bool TakesWindowBackground(HWND window) {
  return GetClassLongPtrW(window, GCLP_HBRBACKGROUND) != 0 && !IsDialog(window) &&
         (GetWindowLongPtrW(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
}

LRESULT ControlColours(HWND window, UINT message, HDC dc, HWND control, LRESULT original,
                       const Resources& skin) {
  switch (message) {
    case WM_CTLCOLORDLG:
      return Colours(dc, skin.dialog_background, skin.dialog_brush, skin.dialog_text, original);
    case WM_CTLCOLOREDIT:
      return Colours(dc, skin.edit_background, skin.edit_brush, skin.edit_text, original);
    case WM_CTLCOLORSTATIC:
      // Read-only edit boxes ask with this message too. A disabled one keeps
      // the system's grey text.
      if (HasClass(control, L"Edit"))
        return Colours(dc, skin.edit_background, skin.edit_brush,
                       IsWindowEnabled(control) ? skin.edit_text : std::nullopt, original);
      if (!HasClass(control, L"Static")) return original;  // group and check boxes
      if (IsDialog(window))
        return Colours(dc, skin.dialog_background, skin.dialog_brush, skin.dialog_text, original);
      // On a window that paints itself, a static text keeps to that window's look.
      if (!TakesWindowBackground(window)) return original;
      return Colours(dc, skin.window_background, skin.window_brush, skin.window_text, original);
    default:
      return original;
  }
}

}  // namespace skin::win32
