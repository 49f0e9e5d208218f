#include "button_paint.h"

#include <string>

namespace skin::win32 {

namespace {

COLORREF Or(const std::optional<COLORREF>& colour, COLORREF otherwise) {
  return colour ? *colour : otherwise;
}

void Frame(HDC dc, RECT area, COLORREF colour) {
  SetDCBrushColor(dc, colour);
  FrameRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

std::wstring TextOf(HWND button) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(button)) + 1, L'\0');
  const int length = GetWindowTextW(button, text.data(), static_cast<int>(text.size()));
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

}  // namespace

void PaintPushButton(HWND button, HDC dc, bool hot, const Resources& skin) {
  RECT area;
  GetClientRect(button, &area);
  const LRESULT state = SendMessageW(button, BM_GETSTATE, 0, 0);
  const bool pressed = (state & BST_PUSHED) != 0;
  const bool enabled = IsWindowEnabled(button) != FALSE;
  const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
  const LRESULT ui_state = SendMessageW(button, WM_QUERYUISTATE, 0, 0);

  const COLORREF face = Or(skin.button_face, GetSysColor(COLOR_BTNFACE));
  const COLORREF hover = Or(skin.button_hover, face);
  COLORREF fill = face;
  if (enabled && pressed)
    fill = Or(skin.button_pressed, hover);
  else if (enabled && hot)
    fill = hover;
  COLORREF text = Or(skin.button_text, GetSysColor(COLOR_BTNTEXT));
  if (!enabled)
    text = GetSysColor(COLOR_GRAYTEXT);
  else if ((hot || pressed) && skin.button_hover_text)
    text = *skin.button_hover_text;

  SetDCBrushColor(dc, fill);
  FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
  const COLORREF border = Or(skin.button_border, GetSysColor(COLOR_BTNSHADOW));
  Frame(dc, area, border);
  if ((style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
    RECT inner = area;
    InflateRect(&inner, -1, -1);
    Frame(dc, inner, border);
  }

  const std::wstring caption = TextOf(button);
  HFONT font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
  HGDIOBJ previous_font = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
  const int previous_mode = SetBkMode(dc, TRANSPARENT);
  const COLORREF previous_colour = SetTextColor(dc, text);
  RECT text_area = area;
  InflateRect(&text_area, -3, -3);
  if (pressed) OffsetRect(&text_area, 1, 1);
  UINT format = DT_CENTER | ((style & BS_MULTILINE) ? DT_WORDBREAK : DT_VCENTER | DT_SINGLELINE);
  if (ui_state & UISF_HIDEACCEL) format |= DT_HIDEPREFIX;
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &text_area, format);
  SetTextColor(dc, previous_colour);
  SetBkMode(dc, previous_mode);
  SelectObject(dc, previous_font);

  if (GetFocus() == button && !(ui_state & UISF_HIDEFOCUS)) {
    RECT focus = area;
    InflateRect(&focus, -3, -3);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace skin::win32
