/* The Wine start's peer: the least a Win32 program does to put a window on
 * screen. MainWindow's outer size, centred the same way, its client area
 * filled with one colour that the benchmark looks for. */
#include <windows.h>

#define FILL RGB(255, 0, 128)

static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(window, message, w, l);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR command_line, int show) {
  (void)previous;
  (void)command_line;
  WNDCLASSW window_class = {0};
  window_class.lpfnWndProc = Procedure;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(NULL, (LPCWSTR)IDC_ARROW);
  window_class.hbrBackground = CreateSolidBrush(FILL);
  window_class.lpszClassName = L"BenchBlankWindow";
  RegisterClassW(&window_class);
  const int width = 951, height = 503;
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"blank", WS_OVERLAPPED | WS_CAPTION |
                                WS_SYSMENU | WS_MINIMIZEBOX, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                                (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, NULL,
                                NULL, instance, NULL);
  ShowWindow(window, show);
  UpdateWindow(window);
  MSG message;
  while (GetMessageW(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return 0;
}
