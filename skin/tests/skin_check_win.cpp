// Test driver: the skin library in a Win32 program, as the program uses it.
//
//   skin_check_win DLL SKIN_FILE [--unload]
//
// The skin file's path goes to the library in code page 936, as the program's
// texts do.
//
// Two application windows with a push button, a read-only edit box, a static
// text and an edit box are made before the skin is attached ("before", class
// background brush) and after it ("after"), and one window that paints its
// own background ("own"). Then a message box is shown. With --unload the
// library is freed again before the message box. Prints "attach RESULT",
// "unloaded 0|1", "font NAME FACE HEIGHT", "rect NAME X Y W H" (screen
// coordinates; client areas for windows), then "ready", and runs until killed.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

using AttachEntry = std::int32_t(__stdcall*)(const char*, const char*);

constexpr wchar_t kBrushClass[] = L"SkinCheckWindow";
constexpr wchar_t kOwnPaintClass[] = L"SkinCheckOwnPaint";
constexpr wchar_t kBoxTitle[] = L"skin-check-box";

struct Window {
  HWND hwnd = nullptr;
  HWND button = nullptr;
  HWND read_only = nullptr;
  HWND label = nullptr;
  HWND edit = nullptr;
};

Window before, after, own;

LRESULT CALLBACK OwnPaintProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_ERASEBKGND) {
    RECT area;
    GetClientRect(hwnd, &area);
    SetDCBrushColor(reinterpret_cast<HDC>(wparam), RGB(250, 250, 250));
    FillRect(reinterpret_cast<HDC>(wparam), &area, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    return 1;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

HWND Child(HWND parent, const wchar_t* cls, const wchar_t* text, DWORD style, int x, int y, int w,
           int h, DWORD ex_style = 0) {
  HWND child = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h,
                               parent, nullptr, GetModuleHandleW(nullptr), nullptr);
  // As the program does: the GUI font set on each control it makes.
  SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               FALSE);
  return child;
}

Window Make(const wchar_t* cls, const wchar_t* title, int x, int y) {
  Window w;
  w.hwnd = CreateWindowExW(0, cls, title, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_VISIBLE, x,
                           y, 380, 320, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  w.button = Child(w.hwnd, L"BUTTON", L"OK", BS_PUSHBUTTON | WS_TABSTOP, 20, 20, 160, 60);
  w.read_only =
      Child(w.hwnd, L"EDIT", L"", ES_MULTILINE | ES_READONLY, 20, 100, 200, 50, WS_EX_CLIENTEDGE);
  w.label = Child(w.hwnd, L"STATIC", L"", SS_LEFT, 20, 170, 200, 24);
  w.edit = Child(w.hwnd, L"EDIT", L"", ES_AUTOHSCROLL, 20, 210, 200, 30, WS_EX_CLIENTEDGE);
  UpdateWindow(w.hwnd);
  return w;
}

void PrintRect(const char* name, HWND hwnd, bool client) {
  RECT area;
  if (client) {
    GetClientRect(hwnd, &area);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&area), 2);
  } else {
    GetWindowRect(hwnd, &area);
  }
  std::printf("rect %s %ld %ld %ld %ld\n", name, area.left, area.top, area.right - area.left,
              area.bottom - area.top);
}

void PrintFont(const char* name, HWND hwnd) {
  LOGFONTW font{};
  HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(SendMessageW(hwnd, WM_GETFONT, 0, 0));
  if (!handle || !GetObjectW(handle, sizeof font, &font)) {
    std::printf("font %s - 0\n", name);
    return;
  }
  char face[LF_FACESIZE * 3] = {};
  WideCharToMultiByte(CP_UTF8, 0, font.lfFaceName, -1, face, sizeof face, nullptr, nullptr);
  for (char& c : face)
    if (c == ' ') c = '_';
  std::printf("font %s %s %ld\n", name, face[0] ? face : "-", font.lfHeight);
}

void PrintWindow(const char* name, const Window& w) {
  const std::string prefix = name;
  PrintRect(name, w.hwnd, true);
  PrintRect((prefix + ".button").c_str(), w.button, false);
  PrintRect((prefix + ".read_only").c_str(), w.read_only, true);
  PrintRect((prefix + ".label").c_str(), w.label, true);
  PrintRect((prefix + ".edit").c_str(), w.edit, true);
  PrintFont((prefix + ".button").c_str(), w.button);
  PrintFont((prefix + ".edit").c_str(), w.edit);
}

void CALLBACK Report(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = FindWindowW(L"#32770", kBoxTitle);
  if (!box) return;  // not yet up
  KillTimer(nullptr, timer);
  PrintWindow("before", before);
  PrintWindow("after", after);
  PrintWindow("own", own);
  PrintRect("box", box, true);
  std::printf("ready\n");
  std::fflush(stdout);
}

void Register(const wchar_t* name, WNDPROC proc, HBRUSH background) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = proc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = background;
  window_class.lpszClassName = name;
  RegisterClassW(&window_class);
}

std::string CodePage936(const wchar_t* text) {
  const int size = WideCharToMultiByte(936, 0, text, -1, nullptr, 0, nullptr, nullptr);
  std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
  WideCharToMultiByte(936, 0, text, -1, bytes.data(), size, nullptr, nullptr);
  return bytes.c_str();
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (!argv || argc < 3) {
    std::fprintf(stderr, "usage: skin_check_win DLL SKIN_FILE [--unload]\n");
    return 2;
  }
  Register(kBrushClass, DefWindowProcW, reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1));
  Register(kOwnPaintClass, OwnPaintProc, nullptr);
  before = Make(kBrushClass, L"skin-check-before", 20, 20);
  own = Make(kOwnPaintClass, L"skin-check-own", 20, 400);

  HMODULE library = LoadLibraryW(argv[1]);
  auto attach = library ? reinterpret_cast<AttachEntry>(
                              reinterpret_cast<void*>(GetProcAddress(library, "SkinH_AttachEx")))
                        : nullptr;
  if (!attach) {
    std::fprintf(stderr, "no SkinH_AttachEx in the library\n");
    return 3;
  }
  std::printf("attach %d\n", attach(CodePage936(argv[2]).c_str(), ""));

  after = Make(kBrushClass, L"skin-check-after", 420, 20);
  if (argc > 3 && std::wcscmp(argv[3], L"--unload") == 0) {
    FreeLibrary(library);
    std::printf("unloaded %d\n", GetModuleHandleW(argv[1]) == nullptr ? 1 : 0);
    for (HWND hwnd : {before.hwnd, after.hwnd, own.hwnd}) {
      RedrawWindow(hwnd, nullptr, nullptr, RDW_ERASE | RDW_INVALIDATE | RDW_ALLCHILDREN);
      UpdateWindow(hwnd);
    }
  }
  std::fflush(stdout);

  SetTimer(nullptr, 0, 300, Report);
  MessageBoxW(nullptr, L"message", kBoxTitle, MB_OK);
  return 0;
}
