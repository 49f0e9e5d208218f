// Registering the window classes of our own controls, once each.
#include "platform/win32/win32_internal.h"

namespace platform::win32 {

bool RegisterControlClass(const wchar_t* name, WNDPROC procedure, HBRUSH background) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  if (GetClassInfoExW(Instance(), name, &window_class)) return true;
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = Instance();
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = background;
  window_class.lpszClassName = name;
  return RegisterClassExW(&window_class) != 0;
}

}  // namespace platform::win32
