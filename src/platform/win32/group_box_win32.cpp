// The group box: a standard BS_GROUPBOX frame with no caption that holds the
// browser and the loading indicator. A group box lets the mouse through to
// whatever lies beneath it; this one claims its own area, so that it shows
// its pointer, and keeps presses to itself, since none of them means anything.

#include "platform/win32/win32_internal.h"
// Windows headers after <windows.h>, which the line above brings.
#include <commctrl.h>

namespace platform::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 1;

LRESULT CALLBACK GroupBoxProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                              DWORD_PTR data) {
  const auto* design = reinterpret_cast<const ControlDesign*>(data);
  switch (message) {
    case WM_NCHITTEST:
      return HTCLIENT;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wparam) == hwnd && SetPointer(lparam, design->pointer))
        return TRUE;
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
      // A button takes the focus and the mouse capture on a press.
      return 0;
    case WM_ERASEBKGND: {
      // The button class leaves the inside of a group box unpainted.
      HDC dc = reinterpret_cast<HDC>(wparam);
      RECT area;
      GetClientRect(hwnd, &area);
      SetDCBrushColor(dc, ToColorRef(design->background));
      FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
      return 1;
    }
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      // What its children tell their parent is meant for the window.
      return SendMessageW(GetParent(hwnd), message, wparam, lparam);
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, GroupBoxProc, kSubclassId);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace

HWND CreateGroupBox(HWND parent, const ControlDesign& design, int id) {
  const DWORD style =
      kChildStyle | WS_CLIPCHILDREN | BS_GROUPBOX | (design.visible ? WS_VISIBLE : 0);
  HWND hwnd =
      CreateWindowExW(WS_EX_CONTROLPARENT, L"BUTTON", ToWide(design.text).c_str(), style,
                      design.left, design.top, design.width, design.height, parent,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (!hwnd) return nullptr;
  SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(DefaultGuiFont()), FALSE);
  // The design lives as long as the window's record, which outlives the box.
  SetWindowSubclass(hwnd, GroupBoxProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&design));
  return hwnd;
}

}  // namespace platform::win32
