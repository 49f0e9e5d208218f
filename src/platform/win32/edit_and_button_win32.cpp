// The notice window's controls: a read-only, multi-line edit box with a
// vertical scroll bar, wrapping at its width, and push buttons.
#include "platform/win32/win32_internal.h"

namespace platform::win32 {

HWND CreateEditBox(HWND parent, const ControlDesign& design, int id) {
  // No ES_AUTOHSCROLL: lines wrap at the box's width.
  const DWORD style = kChildStyle | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL |
                      ES_LEFT | (design.visible ? WS_VISIBLE : 0);
  HWND hwnd =
      CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", ToWide(design.text).c_str(), style, design.left,
                      design.top, design.width, design.height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (!hwnd) return nullptr;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultGuiFont()), FALSE);
  // No limit of its own: the notice is shown whole, however long.
  SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);
  return hwnd;
}

HWND CreatePushButton(HWND parent, const ControlDesign& design, int id) {
  const DWORD style = kChildStyle | WS_TABSTOP | BS_PUSHBUTTON | (design.visible ? WS_VISIBLE : 0);
  HWND hwnd =
      CreateWindowExW(0, L"BUTTON", ToWide(design.text).c_str(), style, design.left, design.top,
                      design.width, design.height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (!hwnd) return nullptr;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultGuiFont()), FALSE);
  return hwnd;
}

}  // namespace platform::win32
