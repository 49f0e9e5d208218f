// Top-level windows built from designs, the registry that maps ids to them,
// and what the system does to them.
#include <cstring>
#include <vector>

#include "platform/ui.h"
#include "platform/win32/win32_internal.h"

namespace platform {
namespace win32 {

std::map<WindowId, WindowRecord>& Windows() {
  static std::map<WindowId, WindowRecord> windows;
  return windows;
}

WindowRecord* FindRecord(WindowId id) {
  auto found = Windows().find(id);
  return found == Windows().end() ? nullptr : &found->second;
}

WindowRecord* RecordOf(HWND top_level) {
  if (!top_level) return nullptr;
  for (auto& [id, record] : Windows())
    if (record.hwnd == top_level) return &record;
  return nullptr;
}

HWND FindControl(WindowId id, const char* control) {
  WindowRecord* record = FindRecord(id);
  if (!record || !control) return nullptr;
  auto found = record->controls.find(control);
  return found == record->controls.end() ? nullptr : found->second;
}

const ControlDesign* ControlOf(HWND hwnd, WindowId* window) {
  WindowRecord* record = RecordOf(GetAncestor(hwnd, GA_ROOT));
  if (!record || record->hwnd == hwnd) return nullptr;
  const int index = GetDlgCtrlID(hwnd) - kFirstControlId;
  if (index < 0 || index >= static_cast<int>(record->design.controls.size())) return nullptr;
  if (window) *window = record->id;
  return &record->design.controls[static_cast<std::size_t>(index)];
}

void RunBinding(WindowId id, const char* control, Event event) {
  WindowRecord* record = FindRecord(id);
  if (!record) return;
  for (const Binding& binding : record->bindings) {
    const bool same_control =
        (binding.control == nullptr && control == nullptr) ||
        (binding.control && control && std::strcmp(binding.control, control) == 0);
    if (same_control && binding.event == event && binding.handler) {
      // The handler may destroy the window and with it the bindings: run a copy.
      const auto handler = binding.handler;
      handler();
      return;
    }
  }
}

void RunControlBinding(HWND control, Event event) {
  WindowId window = 0;
  const ControlDesign* design = ControlOf(control, &window);
  if (!design) return;
  const std::string name = design->name;  // the design goes with the window
  RunBinding(window, name.c_str(), event);
}

void CloseByUser(WindowId id) {
  WindowRecord* record = FindRecord(id);
  // A disabled window cannot be closed by the user.
  if (!record || !::IsWindowEnabled(record->hwnd)) return;
  RunBinding(id, nullptr, Event::Closing);
  if (WindowRecord* still = FindRecord(id)) ::DestroyWindow(still->hwnd);
}

void DestroyAllWindows() {
  std::vector<HWND> windows;
  for (auto& [id, record] : Windows()) windows.push_back(record.hwnd);
  for (HWND hwnd : windows)
    if (IsWindow(hwnd)) ::DestroyWindow(hwnd);
}

COLORREF ToColorRef(const Color& color) {
  if (color.kind == Color::Kind::ButtonFace) return GetSysColor(COLOR_BTNFACE);
  return RGB(color.red, color.green, color.blue);
}

HBRUSH CreateBrushFor(const Color& color) {
  // The system's own brush follows the user's colour scheme; it is never freed.
  if (color.kind == Color::Kind::ButtonFace) return GetSysColorBrush(COLOR_BTNFACE);
  return CreateSolidBrush(ToColorRef(color));
}

HFONT DefaultGuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

bool SetPointer(LPARAM hit_and_message, Pointer pointer) {
  if (LOWORD(hit_and_message) != HTCLIENT) return false;
  SetCursor(LoadCursorW(nullptr, pointer == Pointer::Hand ? IDC_HAND : IDC_ARROW));
  return true;
}

}  // namespace win32

namespace {

using win32::WindowRecord;

constexpr wchar_t kWindowClass[] = L"TolvaneWindow";
constexpr DWORD kWindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

WindowId next_window_id = 1;
WindowId activation_target = 0;

WindowId IdOf(HWND hwnd) { return static_cast<WindowId>(GetWindowLongPtrW(hwnd, GWLP_USERDATA)); }

// The control that takes the focus the window gets.
void PassFocus(WindowRecord& record) {
  if (!record.design.focus_control) return;
  HWND target = win32::FindControl(record.id, record.design.focus_control);
  if (!target) return;
  if (HWND inner = win32::BrowserFocusWindow(target)) target = inner;
  if (IsWindowVisible(target) && ::IsWindowEnabled(target)) SetFocus(target);
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_ERASEBKGND: {
      WindowRecord* record = win32::FindRecord(IdOf(hwnd));
      if (!record) break;
      RECT area;
      GetClientRect(hwnd, &area);
      FillRect(reinterpret_cast<HDC>(wparam), &area, record->background);
      return 1;
    }
    case WM_CLOSE:
      win32::CloseByUser(IdOf(hwnd));
      return 0;
    case WM_SETFOCUS:
      if (WindowRecord* record = win32::FindRecord(IdOf(hwnd))) PassFocus(*record);
      return 0;
    case WM_ACTIVATE:
      // A disabled window brought up (from the taskbar, say) hands over to
      // the window that holds the user's attention, once the activation is over.
      if (LOWORD(wparam) != WA_INACTIVE && !::IsWindowEnabled(hwnd) && activation_target &&
          activation_target != IdOf(hwnd)) {
        PostMessageW(win32::Owner(), win32::kActivateTargetMessage, 0, 0);
        return 0;
      }
      break;
    case WM_SETCURSOR:
      // A click on a disabled window.
      if (LOWORD(lparam) == static_cast<WORD>(HTERROR) && HIWORD(lparam) == WM_LBUTTONDOWN &&
          reinterpret_cast<HWND>(wparam) == hwnd && activation_target &&
          activation_target != IdOf(hwnd)) {
        win32::ActivateTarget();
        return TRUE;
      }
      break;
    case WM_COMMAND:
      if (HIWORD(wparam) == BN_CLICKED && lparam)
        win32::RunControlBinding(reinterpret_cast<HWND>(lparam), Event::Clicked);
      return 0;
    case WM_NCDESTROY: {
      const WindowId id = IdOf(hwnd);
      auto found = win32::Windows().find(id);
      if (found == win32::Windows().end()) break;
      if (found->second.design.background.kind == Color::Kind::Rgb)
        DeleteObject(found->second.background);
      win32::Windows().erase(found);
      if (auto listener = win32::DestroyedListener()) listener();
      break;
    }
    default:
      break;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

bool RegisterWindowClass() {
  static bool registered = false;
  if (registered) return true;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = win32::Instance();
  // The program's icon in the title bar and on the taskbar.
  window_class.hIcon = LoadIconW(win32::Instance(), MAKEINTRESOURCEW(1));
  window_class.hIconSm = static_cast<HICON>(
      LoadImageW(win32::Instance(), MAKEINTRESOURCEW(1), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                 GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  registered = RegisterClassExW(&window_class) != 0;
  return registered;
}

HWND BuildControl(HWND parent, const ControlDesign& control, int id) {
  switch (control.kind) {
    case ControlKind::PictureBox:
      return win32::CreatePictureBox(parent, control, id);
    case ControlKind::TransparentLabel:
      return win32::CreateTransparentLabel(parent, control, id);
    case ControlKind::GroupBox:
      return win32::CreateGroupBox(parent, control, id);
    case ControlKind::WebBrowser:
      return win32::CreateBrowserHost(parent, control, id);
    case ControlKind::EditBox:
      return win32::CreateEditBox(parent, control, id);
    case ControlKind::PushButton:
      return win32::CreatePushButton(parent, control, id);
  }
  return nullptr;
}

// Parents before their children, whatever order the table has.
bool CreateControls(WindowRecord& record) {
  const auto& controls = record.design.controls;
  std::vector<bool> made(controls.size(), false);
  for (bool progress = true; progress;) {
    progress = false;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      const ControlDesign& control = controls[i];
      if (made[i]) continue;
      HWND parent = record.hwnd;
      if (control.parent) {
        auto found = record.controls.find(control.parent);
        if (found == record.controls.end()) continue;
        parent = found->second;
      }
      HWND hwnd = BuildControl(parent, control, win32::kFirstControlId + static_cast<int>(i));
      if (!hwnd) return false;
      record.controls[control.name] = hwnd;
      made[i] = progress = true;
    }
  }
  return record.controls.size() == controls.size();
}

// The stacking list runs front to back: each one goes on top in turn from the
// back, so the first ends in front. Unlisted controls stay behind the listed.
void ApplyStacking(const WindowRecord& record) {
  for (auto name = record.design.stacking.rbegin(); name != record.design.stacking.rend(); ++name) {
    auto found = record.controls.find(*name);
    if (found == record.controls.end()) continue;
    SetWindowPos(found->second, HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
  }
}

}  // namespace

namespace win32 {
void ActivateTarget() {
  if (WindowRecord* target = FindRecord(activation_target)) {
    if (IsIconic(target->hwnd)) ShowWindow(target->hwnd, SW_RESTORE);
    SetForegroundWindow(target->hwnd);
  }
}
}  // namespace win32

WindowId CreateDesignedWindow(const WindowDesign& design, const Bindings& bindings) {
  if (!RegisterWindowClass()) return 0;
  const WindowId id = next_window_id++;
  WindowRecord& record = win32::Windows()[id];
  record.id = id;
  record.design = design;
  record.bindings = bindings;
  record.background = win32::CreateBrushFor(design.background);
  for (const ControlDesign& control : design.controls)
    if (control.kind == ControlKind::PushButton) record.dialog_keys = true;

  // Centred on the whole screen by the outer size; the client area is what
  // this frame leaves of it (AdjustWindowRectEx of the same styles).
  const int left = (GetSystemMetrics(SM_CXSCREEN) - design.outer_width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - design.outer_height) / 2;
  HWND owner = design.owned_by_invisible_owner ? win32::Owner() : nullptr;
  HWND hwnd = CreateWindowExW(0, kWindowClass, win32::ToWide(design.title).c_str(), kWindowStyle,
                              left, top, design.outer_width, design.outer_height, owner, nullptr,
                              win32::Instance(), reinterpret_cast<void*>(static_cast<INT_PTR>(id)));
  if (!hwnd) {
    if (design.background.kind == Color::Kind::Rgb) DeleteObject(record.background);
    win32::Windows().erase(id);
    return 0;
  }
  record.hwnd = hwnd;
  if (!CreateControls(record)) {
    // Out of the registry first: a window that never was is no destroyed one.
    if (design.background.kind == Color::Kind::Rgb) DeleteObject(record.background);
    win32::Windows().erase(id);
    ::DestroyWindow(hwnd);
    return 0;
  }
  ApplyStacking(record);
  return id;
}

bool WindowExists(WindowId window) { return win32::FindRecord(window) != nullptr; }

bool AnySystemWindowExists() { return !win32::Windows().empty(); }

void SetWindowVisible(WindowId window, bool visible) {
  WindowRecord* record = win32::FindRecord(window);
  if (!record) return;
  if (visible) {
    ShowWindow(record->hwnd, SW_SHOW);
    SetForegroundWindow(record->hwnd);
    // Painted now, not when the queue is next read: what follows may block
    // the thread for long (the start's status fetch waits for the network).
    RedrawWindow(record->hwnd, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
  } else {
    ShowWindow(record->hwnd, SW_HIDE);
  }
}

void SetControlVisible(WindowId window, const char* control, bool visible) {
  if (HWND hwnd = win32::FindControl(window, control))
    ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE);
}

bool IsControlVisible(WindowId window, const char* control) {
  // The control's own setting, whether or not its parent shows it.
  HWND hwnd = win32::FindControl(window, control);
  return hwnd && (GetWindowLongPtrW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0;
}

void SetWindowEnabled(WindowId window, bool enabled) {
  if (WindowRecord* record = win32::FindRecord(window)) EnableWindow(record->hwnd, enabled);
}

bool IsWindowEnabled(WindowId window) {
  WindowRecord* record = win32::FindRecord(window);
  return record && ::IsWindowEnabled(record->hwnd);
}

bool IsWindowMinimized(WindowId window) {
  WindowRecord* record = win32::FindRecord(window);
  return record && IsIconic(record->hwnd);
}

void RestoreWindow(WindowId window) {
  if (WindowRecord* record = win32::FindRecord(window)) ShowWindow(record->hwnd, SW_RESTORE);
}

void ActivateWindow(WindowId window) {
  if (WindowRecord* record = win32::FindRecord(window)) SetForegroundWindow(record->hwnd);
}

void SetActivationTarget(WindowId window) { activation_target = window; }

void DestroyWindow(WindowId window) {
  if (WindowRecord* record = win32::FindRecord(window)) ::DestroyWindow(record->hwnd);
}

void SetControlText(WindowId window, const char* control, const Text& text) {
  if (HWND hwnd = win32::FindControl(window, control))
    SetWindowTextW(hwnd, win32::ToWide(text).c_str());
}

}  // namespace platform
