// probe: reads and drives the windows of a running program from outside, for
// the tests under Wine. It prints one JSON object a line, in UTF-8.
//
//   probe metrics                       screen size, frame of our window style, system colours
//   probe windows (--title T | --class C) [--wait MS]
//                                       each matching top-level window and every window in it
//   probe version FILE                  the version resource of an executable
//   probe resources FILE                its icon group, manifest and named binary resources
//   probe esc (--title T | --class C)   Esc to the window's focused control (or the window)
//   probe close (--title T | --class C) WM_CLOSE, as the close box sends it
//   probe answers (--title T | --class C) MS
//                                       whether each window's thread handles a message within MS
//   probe cwd (--title T | --class C)   the current directory of the window's process
//   probe click X Y                     a left click at a point of the screen
//   probe pointer X Y                   moves the mouse there (the X server shows the pointer)
//
// T matches any title that contains it. Exit code: 0, or 1 when nothing matched
// or the command failed.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <winternl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                      nullptr, nullptr);
  return bytes;
}

std::string Quote(const std::wstring& text) {
  std::string out = "\"";
  for (char c : Utf8(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Rect(const RECT& r) {
  char text[96];
  std::snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right - r.left,
                r.bottom - r.top);
  return text;
}

void Emit(const std::string& line) {
  const std::string text = line + "\n";
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[1024];
  const int length = GetWindowTextW(hwnd, buffer, 1024);
  return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::wstring ClassOf(HWND hwnd) {
  wchar_t buffer[256];
  const int length = GetClassNameW(hwnd, buffer, 256);
  return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

struct Query {
  std::wstring title;
  std::wstring window_class;
};

struct Search {
  const Query* query;
  std::vector<HWND> found;
};

BOOL CALLBACK Match(HWND hwnd, LPARAM data) {
  auto* search = reinterpret_cast<Search*>(data);
  const Query& query = *search->query;
  const bool title_ok = query.title.empty() || TextOf(hwnd).find(query.title) != std::wstring::npos;
  const bool class_ok = query.window_class.empty() || ClassOf(hwnd) == query.window_class;
  if (title_ok && class_ok) search->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> TopLevels(const Query& query) {
  Search search{&query, {}};
  EnumWindows(Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> WaitForTopLevels(const Query& query, DWORD wait_ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    std::vector<HWND> found = TopLevels(query);
    if (!found.empty() || GetTickCount() - start >= wait_ms) return found;
    Sleep(100);
  }
}

// Children in their stacking order: index 0 is in front.
void EmitChildren(HWND parent, const std::string& path) {
  int z = 0;
  for (HWND child = GetWindow(parent, GW_CHILD); child;
       child = GetWindow(child, GW_HWNDNEXT), ++z) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    RECT client;
    GetClientRect(child, &client);
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    char line[512];
    std::snprintf(line, sizeof line,
                  "\"id\": %d, \"rect\": %s, \"client_size\": [%ld, %ld], \"z\": %d, "
                  "\"own_visible\": %s, \"on_screen\": %s, \"enabled\": %s, \"style\": %lu, "
                  "\"exstyle\": %lu",
                  GetDlgCtrlID(child), Rect(rect).c_str(), client.right, client.bottom, z,
                  (style & WS_VISIBLE) ? "true" : "false",
                  IsWindowVisible(child) ? "true" : "false",
                  IsWindowEnabled(child) ? "true" : "false", static_cast<unsigned long>(style),
                  static_cast<unsigned long>(GetWindowLongW(child, GWL_EXSTYLE)));
    const std::string here = path + "/" + std::to_string(z);
    Emit("{\"kind\": \"child\", \"path\": \"" + here + "\", \"class\": " + Quote(ClassOf(child)) +
         ", \"text\": " + Quote(TextOf(child)) + ", " + line + "}");
    EmitChildren(child, here);
  }
}

int Windows(const Query& query, DWORD wait_ms) {
  const std::vector<HWND> found = WaitForTopLevels(query, wait_ms);
  for (HWND hwnd : found) {
    RECT outer, client;
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    DWORD process = 0;
    const DWORD thread = GetWindowThreadProcessId(hwnd, &process);
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    GetGUIThreadInfo(thread, &gui);
    char line[512];
    std::snprintf(line, sizeof line,
                  "\"rect\": %s, \"client_origin\": [%ld, %ld], \"client_size\": [%ld, %ld], "
                  "\"style\": %lu, \"exstyle\": %lu, \"visible\": %s, \"enabled\": %s, "
                  "\"minimized\": %s, \"owner\": %s, \"active\": %s",
                  Rect(outer).c_str(), origin.x, origin.y, client.right, client.bottom,
                  static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_STYLE)),
                  static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE)),
                  IsWindowVisible(hwnd) ? "true" : "false",
                  IsWindowEnabled(hwnd) ? "true" : "false", IsIconic(hwnd) ? "true" : "false",
                  GetWindow(hwnd, GW_OWNER) ? "true" : "false",
                  gui.hwndActive == hwnd ? "true" : "false");
    Emit("{\"kind\": \"window\", \"title\": " + Quote(TextOf(hwnd)) +
         ", \"class\": " + Quote(ClassOf(hwnd)) + ", \"focus_class\": " +
         Quote(gui.hwndFocus ? ClassOf(gui.hwndFocus) : L"") + ", " + line + "}");
    EmitChildren(hwnd, "");
  }
  return found.empty() ? 1 : 0;
}

int Metrics() {
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, style, FALSE, 0);
  RECT raised{0, 0, 0, 0};
  AdjustWindowRectEx(&raised, WS_CHILD, FALSE, WS_EX_DLGMODALFRAME);
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  char line[512];
  std::snprintf(line, sizeof line,
                "{\"kind\": \"metrics\", \"screen\": [%d, %d], "
                "\"frame\": {\"left\": %ld, \"top\": %ld, \"right\": %ld, \"bottom\": %ld}, "
                "\"raised_frame\": {\"left\": %ld, \"top\": %ld, \"right\": %ld, \"bottom\": %ld}, "
                "\"button_face\": [%d, %d, %d]}",
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), -frame.left,
                -frame.top, frame.right, frame.bottom, -raised.left, -raised.top, raised.right,
                raised.bottom, GetRValue(face), GetGValue(face), GetBValue(face));
  Emit(line);
  return 0;
}

std::wstring VersionString(const std::vector<BYTE>& data, const wchar_t* block,
                           const wchar_t* name) {
  void* value = nullptr;
  UINT length = 0;
  const std::wstring path = std::wstring(L"\\StringFileInfo\\") + block + L"\\" + name;
  if (!VerQueryValueW(data.data(), path.c_str(), &value, &length) || length == 0) return {};
  std::wstring text(static_cast<const wchar_t*>(value), length);
  while (!text.empty() && text.back() == L'\0') text.pop_back();
  return text;
}

int Version(const std::wstring& file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.c_str(), &ignored);
  if (size == 0) return 1;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return 1;
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT fixed_length = 0;
  VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixed_length);
  struct Translation {
    WORD language, code_page;
  }* translations = nullptr;
  UINT translation_length = 0;
  VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                 reinterpret_cast<void**>(&translations), &translation_length);
  wchar_t block[16] = L"040904b0";
  if (translations && translation_length >= sizeof(Translation))
    swprintf(block, 16, L"%04x%04x", translations->language, translations->code_page);
  char numbers[160] = "null";
  if (fixed && fixed_length >= sizeof *fixed) {
    const auto part = [](DWORD value, bool high) {
      return static_cast<unsigned>(high ? HIWORD(value) : LOWORD(value));
    };
    std::snprintf(numbers, sizeof numbers, "[%u, %u, %u, %u], \"fixed_product\": [%u, %u, %u, %u]",
                  part(fixed->dwFileVersionMS, true), part(fixed->dwFileVersionMS, false),
                  part(fixed->dwFileVersionLS, true), part(fixed->dwFileVersionLS, false),
                  part(fixed->dwProductVersionMS, true), part(fixed->dwProductVersionMS, false),
                  part(fixed->dwProductVersionLS, true), part(fixed->dwProductVersionLS, false));
  }
  Emit("{\"kind\": \"version\", \"block\": " + Quote(block) + ", \"fixed_file\": " + numbers +
       ", \"FileVersion\": " + Quote(VersionString(data, block, L"FileVersion")) +
       ", \"ProductVersion\": " + Quote(VersionString(data, block, L"ProductVersion")) +
       ", \"ProductName\": " + Quote(VersionString(data, block, L"ProductName")) +
       ", \"FileDescription\": " + Quote(VersionString(data, block, L"FileDescription")) + "}");
  return 0;
}

BOOL CALLBACK NoteName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
  if (!IS_INTRESOURCE(name)) reinterpret_cast<std::vector<std::wstring>*>(names)->push_back(name);
  return TRUE;
}

BOOL CALLBACK FirstId(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR first) {
  *reinterpret_cast<LPCWSTR*>(first) = name;
  return FALSE;
}

int Resources(const std::wstring& file) {
  HMODULE module = LoadLibraryExW(file.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!module) return 1;
  // The first icon group: each entry is 14 bytes after a 6-byte header.
  std::string icons = "[";
  LPCWSTR group_name = nullptr;
  EnumResourceNamesW(module, RT_GROUP_ICON, FirstId, reinterpret_cast<LONG_PTR>(&group_name));
  if (HRSRC group = group_name ? FindResourceW(module, group_name, RT_GROUP_ICON) : nullptr) {
    const auto* bytes = static_cast<const BYTE*>(LockResource(LoadResource(module, group)));
    const DWORD size = SizeofResource(module, group);
    const WORD count = size >= 6 ? static_cast<WORD>(bytes[4] | (bytes[5] << 8)) : 0;
    for (WORD i = 0; i < count && 6u + (i + 1u) * 14u <= size; ++i) {
      const BYTE* entry = bytes + 6 + i * 14;
      char text[48];
      std::snprintf(text, sizeof text, "%s[%d, %d, %d]", i ? ", " : "", entry[0] ? entry[0] : 256,
                    entry[1] ? entry[1] : 256, entry[6] | (entry[7] << 8));
      icons += text;
    }
  }
  icons += "]";
  std::wstring manifest;
  if (HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(1), RT_MANIFEST)) {
    const auto* text = static_cast<const char*>(LockResource(LoadResource(module, found)));
    const int size = static_cast<int>(SizeofResource(module, found));
    const int length = MultiByteToWideChar(CP_UTF8, 0, text, size, nullptr, 0);
    manifest.resize(static_cast<std::size_t>(length));
    MultiByteToWideChar(CP_UTF8, 0, text, size, manifest.data(), length);
  }
  std::vector<std::wstring> names;
  EnumResourceNamesW(module, RT_RCDATA, NoteName, reinterpret_cast<LONG_PTR>(&names));
  std::string listed = "[";
  for (std::size_t i = 0; i < names.size(); ++i) listed += (i ? ", " : "") + Quote(names[i]);
  listed += "]";
  FreeLibrary(module);
  Emit("{\"kind\": \"resources\", \"icons\": " + icons + ", \"manifest\": " + Quote(manifest) +
       ", \"rcdata\": " + listed + "}");
  return 0;
}

int Esc(const Query& query) {
  const std::vector<HWND> found = TopLevels(query);
  if (found.empty()) return 1;
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(found.front(), nullptr), &gui);
  // The key goes where the keyboard would send it: the focused window.
  HWND target = gui.hwndFocus && GetAncestor(gui.hwndFocus, GA_ROOT) == found.front()
                    ? gui.hwndFocus
                    : found.front();
  const LPARAM down = 1 | (static_cast<LPARAM>(MapVirtualKeyW(VK_ESCAPE, MAPVK_VK_TO_VSC)) << 16);
  PostMessageW(target, WM_KEYDOWN, VK_ESCAPE, down);
  PostMessageW(target, WM_KEYUP, VK_ESCAPE, down | (3l << 30));
  Emit("{\"kind\": \"esc\", \"to_class\": " + Quote(ClassOf(target)) + "}");
  return 0;
}

int Close(const Query& query) {
  const std::vector<HWND> found = TopLevels(query);
  if (found.empty()) return 1;
  PostMessageW(found.front(), WM_CLOSE, 0, 0);
  Emit("{\"kind\": \"close\"}");
  return 0;
}

// A message sent, not posted: it is handled only when the window's thread
// next takes its messages, so a thread stuck elsewhere leaves it unanswered.
int Answers(const Query& query, DWORD within_ms) {
  const std::vector<HWND> found = TopLevels(query);
  bool all = !found.empty();
  for (HWND hwnd : found) {
    DWORD_PTR result = 0;
    const bool answered =
        SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, within_ms, &result) != 0;
    Emit("{\"kind\": \"answers\", \"title\": " + Quote(TextOf(hwnd)) +
         ", \"answered\": " + (answered ? "true" : "false") + "}");
    all = all && answered;
  }
  return all ? 0 : 1;
}

// The process's current directory, read from its process parameters. The
// probe and the program must be of the same bitness.
int CurrentDirectory(const Query& query) {
  const std::vector<HWND> found = TopLevels(query);
  if (found.empty()) return 1;
  DWORD process_id = 0;
  GetWindowThreadProcessId(found.front(), &process_id);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process_id);
  if (!process) return 1;
  using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
  const auto query_information = reinterpret_cast<QueryProcess>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
  PROCESS_BASIC_INFORMATION basic{};
  PEB peb{};
  std::wstring directory;
  // CurrentDirectory (a UNICODE_STRING and a handle) follows the first 0x10
  // bytes and five pointer-sized fields of the parameters.
  struct CurDir {
    UNICODE_STRING path;
    HANDLE handle;
  } current{};
  const SIZE_T offset = 0x10 + 5 * sizeof(void*);
  if (query_information &&
      query_information(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) == 0 &&
      ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
      ReadProcessMemory(process, reinterpret_cast<const BYTE*>(peb.ProcessParameters) + offset,
                        &current, sizeof current, nullptr)) {
    directory.resize(current.path.Length / sizeof(wchar_t));
    ReadProcessMemory(process, current.path.Buffer, directory.data(), current.path.Length, nullptr);
  }
  CloseHandle(process);
  Emit("{\"kind\": \"cwd\", \"directory\": " + Quote(directory) + "}");
  return directory.empty() ? 1 : 0;
}

// One mouse event at an absolute point of the screen.
INPUT MouseAt(int x, int y, DWORD flags) {
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = (x * 65535) / (GetSystemMetrics(SM_CXSCREEN) - 1);
  input.mi.dy = (y * 65535) / (GetSystemMetrics(SM_CYSCREEN) - 1);
  input.mi.dwFlags = flags | MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  return input;
}

void MoveTo(int x, int y) {
  SetCursorPos(x, y);
  INPUT move = MouseAt(x, y, 0);
  SendInput(1, &move, sizeof move);
}

int Click(int x, int y) {
  MoveTo(x, y);
  Sleep(100);
  // The buttons carry the point too: Wine may still hold the pointer where it
  // was before the move, and would give the press to the window there.
  INPUT press[2] = {MouseAt(x, y, MOUSEEVENTF_LEFTDOWN), MouseAt(x, y, MOUSEEVENTF_LEFTUP)};
  SendInput(2, press, sizeof press[0]);
  POINT point{x, y};
  HWND under = WindowFromPoint(point);
  Emit("{\"kind\": \"click\", \"under_class\": " + Quote(under ? ClassOf(under) : L"") + "}");
  return 0;
}

int PointerAt(int x, int y) {
  // Wine puts the pointer a window has chosen on the screen at the next mouse
  // event, so the move is made twice.
  MoveTo(x + 1, y);
  Sleep(200);
  MoveTo(x, y);
  Sleep(200);
  POINT point{x, y};
  HWND under = WindowFromPoint(point);
  Emit("{\"kind\": \"pointer\", \"under_class\": " + Quote(under ? ClassOf(under) : L"") + "}");
  return 0;
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::wstring> args(arguments + 1, arguments + count);
  LocalFree(arguments);
  if (args.empty()) return 2;

  Query query;
  DWORD wait_ms = 0;
  std::vector<std::wstring> rest;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == L"--title" && i + 1 < args.size()) {
      query.title = args[++i];
    } else if (args[i] == L"--class" && i + 1 < args.size()) {
      query.window_class = args[++i];
    } else if (args[i] == L"--wait" && i + 1 < args.size()) {
      wait_ms = static_cast<DWORD>(std::wcstoul(args[++i].c_str(), nullptr, 10));
    } else {
      rest.push_back(args[i]);
    }
  }
  const std::wstring& command = args[0];
  const bool has_query = !query.title.empty() || !query.window_class.empty();
  if (command == L"metrics") return Metrics();
  if (command == L"windows" && has_query) return Windows(query, wait_ms);
  if (command == L"version" && rest.size() == 1) return Version(rest[0]);
  if (command == L"resources" && rest.size() == 1) return Resources(rest[0]);
  if (command == L"esc" && has_query) return Esc(query);
  if (command == L"close" && has_query) return Close(query);
  if (command == L"answers" && has_query && rest.size() == 1)
    return Answers(query, static_cast<DWORD>(std::wcstoul(rest[0].c_str(), nullptr, 10)));
  if (command == L"cwd" && has_query) return CurrentDirectory(query);
  if ((command == L"click" || command == L"pointer") && rest.size() == 2) {
    const int x = std::stoi(rest[0]), y = std::stoi(rest[1]);
    return command == L"click" ? Click(x, y) : PointerAt(x, y);
  }
  return 2;
}
