#include "coverage.h"

#include <commctrl.h>

#include <new>

#include "button_paint.h"
#include "colour_messages.h"

namespace skin::win32 {

namespace {

constexpr UINT_PTR kSubclassId = 0x534B4E31;  // "SKN1"
// Window properties that mark what is covered (GetWindowSubclass is not in
// every import library of comctl32).
constexpr wchar_t kTopLevelMark[] = L"SkinH_EL.TopLevel";
constexpr wchar_t kControlState[] = L"SkinH_EL.Control";

HHOOK cbt_hook = nullptr;
DWORD hooked_thread = 0;

enum class Kind { kOther, kTopLevel, kPushButton, kEdit };

struct ControlState {
  Kind kind;
  HFONT own_font;  // what the program gave the control, null for the system font
  bool hot;        // the mouse is over it
};

Kind KindOf(HWND hwnd, LONG_PTR style, HWND parent) {
  if (!(style & WS_CHILD)) return parent == HWND_MESSAGE ? Kind::kOther : Kind::kTopLevel;
  if (HasClass(hwnd, L"Button")) {
    const LONG_PTR type = style & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON ? Kind::kPushButton : Kind::kOther;
  }
  return HasClass(hwnd, L"Edit") ? Kind::kEdit : Kind::kOther;
}

LRESULT CALLBACK TopLevelProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                              DWORD_PTR) {
  const Resources& skin = Active();
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      const LRESULT original = DefSubclassProc(hwnd, message, wparam, lparam);
      return ControlColours(hwnd, message, reinterpret_cast<HDC>(wparam),
                            reinterpret_cast<HWND>(lparam), original, skin);
    }
    case WM_ERASEBKGND:
      if (skin.window_brush && TakesWindowBackground(hwnd)) {
        RECT area;
        GetClientRect(hwnd, &area);
        FillRect(reinterpret_cast<HDC>(wparam), &area, skin.window_brush);
        return 1;
      }
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, TopLevelProc, kSubclassId);
      RemovePropW(hwnd, kTopLevelMark);
      break;
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

void Repaint(HWND hwnd) { InvalidateRect(hwnd, nullptr, FALSE); }

LRESULT PushButtonMessage(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                          ControlState& state, const Resources& skin) {
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (HDC dc = BeginPaint(hwnd, &paint)) {
        PaintPushButton(hwnd, dc, state.hot, skin);
        EndPaint(hwnd, &paint);
      }
      return 0;
    }
    case WM_PRINTCLIENT:
      PaintPushButton(hwnd, reinterpret_cast<HDC>(wparam), state.hot, skin);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // the painting covers it all
    case WM_MOUSEMOVE:
      if (!state.hot) {
        state.hot = true;
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        TrackMouseEvent(&track);
        Repaint(hwnd);
      }
      break;
    case WM_MOUSELEAVE:
      state.hot = false;
      Repaint(hwnd);
      break;
    case BM_SETSTATE:
    case BM_SETSTYLE:
    case BM_SETCHECK:
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case WM_UPDATEUISTATE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
    case WM_KEYDOWN:
    case WM_KEYUP: {
      // The button class draws some of these changes straight away, outside
      // WM_PAINT: paint over them.
      const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      Repaint(hwnd);
      return result;
    }
    default:
      break;
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

LRESULT CALLBACK ControlProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                             DWORD_PTR data) {
  auto& state = *reinterpret_cast<ControlState*>(data);
  const Resources& skin = Active();
  switch (message) {
    case WM_CREATE: {
      // Controls that are never given a font get the skin's all the same.
      const LRESULT result = DefSubclassProc(hwnd, message, wparam, lparam);
      if (result != -1 && skin.font) SendMessageW(hwnd, WM_SETFONT, 0, FALSE);
      return result;
    }
    case WM_SETFONT:
      if (reinterpret_cast<HFONT>(wparam) != skin.font)
        state.own_font = reinterpret_cast<HFONT>(wparam);
      if (skin.font) wparam = reinterpret_cast<WPARAM>(skin.font);
      break;
    case WM_NCDESTROY:
      RemoveWindowSubclass(hwnd, ControlProc, kSubclassId);
      RemovePropW(hwnd, kControlState);
      delete &state;
      return DefSubclassProc(hwnd, message, wparam, lparam);
    default:
      break;
  }
  if (state.kind == Kind::kPushButton && skin.PaintsButtons()) {
    try {
      return PushButtonMessage(hwnd, message, wparam, lparam, state, skin);
    } catch (...) {
      // Out of memory for a caption: the system paints this time.
    }
  }
  return DefSubclassProc(hwnd, message, wparam, lparam);
}

// Subclasses a window of a kind the skin covers. An existing control takes
// the skin's font at once; one being created takes it on WM_CREATE.
void Cover(HWND hwnd, LONG_PTR style, HWND parent, bool existing) {
  const Kind kind = KindOf(hwnd, style, parent);
  if (kind == Kind::kOther) return;
  if (kind == Kind::kTopLevel) {
    if (!GetPropW(hwnd, kTopLevelMark) && SetWindowSubclass(hwnd, TopLevelProc, kSubclassId, 0) &&
        !SetPropW(hwnd, kTopLevelMark, reinterpret_cast<HANDLE>(1)))
      RemoveWindowSubclass(hwnd, TopLevelProc, kSubclassId);
    return;
  }
  auto* state = static_cast<ControlState*>(GetPropW(hwnd, kControlState));
  if (!state) {
    HFONT own = existing ? reinterpret_cast<HFONT>(SendMessageW(hwnd, WM_GETFONT, 0, 0)) : nullptr;
    state = new (std::nothrow) ControlState{kind, own, false};
    if (!state) return;
    if (!SetPropW(hwnd, kControlState, state)) {
      delete state;
      return;
    }
    if (!SetWindowSubclass(hwnd, ControlProc, kSubclassId, reinterpret_cast<DWORD_PTR>(state))) {
      RemovePropW(hwnd, kControlState);
      delete state;
      return;
    }
  }
  if (existing) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(state->own_font), TRUE);
}

LRESULT CALLBACK CbtProc(int code, WPARAM wparam, LPARAM lparam) {
  if (code == HCBT_CREATEWND) {
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(lparam);
    Cover(reinterpret_cast<HWND>(wparam), create->lpcs->style, create->lpcs->hwndParent, false);
  }
  return CallNextHookEx(cbt_hook, code, wparam, lparam);
}

BOOL CALLBACK CoverChild(HWND child, LPARAM) {
  Cover(child, GetWindowLongPtrW(child, GWL_STYLE), GetParent(child), true);
  return TRUE;
}

BOOL CALLBACK CoverTopLevel(HWND window, LPARAM) {
  Cover(window, GetWindowLongPtrW(window, GWL_STYLE), nullptr, true);
  EnumChildWindows(window, CoverChild, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  return TRUE;
}

BOOL CALLBACK UncoverWindow(HWND hwnd, LPARAM) {
  auto* state = static_cast<ControlState*>(GetPropW(hwnd, kControlState));
  if (state && RemoveWindowSubclass(hwnd, ControlProc, kSubclassId)) {
    RemovePropW(hwnd, kControlState);
    SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(state->own_font), TRUE);
    delete state;
  }
  if (GetPropW(hwnd, kTopLevelMark) && RemoveWindowSubclass(hwnd, TopLevelProc, kSubclassId))
    RemovePropW(hwnd, kTopLevelMark);
  return TRUE;
}

BOOL CALLBACK UncoverTopLevel(HWND window, LPARAM) {
  EnumChildWindows(window, UncoverWindow, 0);
  UncoverWindow(window, 0);
  RedrawWindow(window, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_FRAME | RDW_ALLCHILDREN);
  return TRUE;
}

}  // namespace

bool HookThread() {
  const DWORD thread = GetCurrentThreadId();
  if (cbt_hook) return hooked_thread == thread;
  cbt_hook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, thread);
  if (!cbt_hook) return false;
  hooked_thread = thread;
  return true;
}

void CoverThreadWindows() {
  if (cbt_hook) EnumThreadWindows(hooked_thread, CoverTopLevel, 0);
}

void UncoverAll() {
  if (!cbt_hook || GetCurrentThreadId() != hooked_thread) return;
  UnhookWindowsHookEx(cbt_hook);
  cbt_hook = nullptr;
  EnumThreadWindows(hooked_thread, UncoverTopLevel, 0);
}

}  // namespace skin::win32
