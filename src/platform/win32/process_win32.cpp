// The process: COM and OLE on the one thread, the invisible owner window, the
// program's own path and directory, the end of the process.

#include <functional>
#include <memory>
#include <vector>

#include "platform/process.h"
#include "platform/win32/win32_internal.h"
// Windows headers after <windows.h>, which the line above brings.
#include <commctrl.h>
#include <ole2.h>

namespace platform {

namespace win32 {

HWND& Owner() {
  static HWND owner = nullptr;
  return owner;
}

void (*&DestroyedListener())() {
  static void (*listener)() = nullptr;
  return listener;
}

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

void RunTask(LPARAM task) {
  std::unique_ptr<std::function<void()>> queued(reinterpret_cast<std::function<void()>*>(task));
  if (queued && *queued) (*queued)();
}

bool LoadAsset(const char* name, const std::byte** data, std::size_t* size) {
  HRSRC found = FindResourceW(Instance(), ToWide(name).c_str(), RT_RCDATA);
  if (!found) return false;
  HGLOBAL loaded = LoadResource(Instance(), found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return false;
  *data = static_cast<const std::byte*>(bytes);
  *size = SizeofResource(Instance(), found);
  return true;
}

}  // namespace win32

namespace {

constexpr wchar_t kOwnerClass[] = L"TolvaneOwner";

LRESULT CALLBACK OwnerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case win32::kRunTaskMessage:
      win32::RunTask(lparam);
      return 0;
    case win32::kActivateTargetMessage:
      win32::ActivateTarget();
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

// Tasks still queued when the owner goes are freed without running.
void DropQueuedTasks(HWND owner) {
  MSG message;
  while (PeekMessageW(&message, owner, win32::kRunTaskMessage, win32::kRunTaskMessage, PM_REMOVE))
    delete reinterpret_cast<std::function<void()>*>(message.lParam);
}

}  // namespace

void InitializeUiThread() {
  // Failures here are not looked at: the program goes on as far as it can.
  OleInitialize(nullptr);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

void CreateOwnerWindow() {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = OwnerProc;
  window_class.hInstance = win32::Instance();
  window_class.lpszClassName = kOwnerClass;
  RegisterClassExW(&window_class);
  // A top-level window that is never shown.
  win32::Owner() = CreateWindowExW(0, kOwnerClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   win32::Instance(), nullptr);
}

void ReleaseAll() {
  win32::DestroyAllWindows();
  if (HWND owner = win32::Owner()) {
    DropQueuedTasks(owner);
    ::DestroyWindow(owner);
    win32::Owner() = nullptr;
  }
  win32::ShutdownImages();
  win32::UnloadSkinLibrary();
  OleUninitialize();
}

void ExitProcess(int code) {
  // -1 is 0xFFFFFFFF, all bits set.
  ::ExitProcess(static_cast<UINT>(code));
}

Text ProgramPath() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length =
        GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) return win32::FromWide(std::wstring(buffer.data(), length));
    buffer.resize(buffer.size() * 2);
  }
}

char PathSeparator() { return '\\'; }

void SetWorkingDirectory(const Text& directory) {
  std::wstring path = win32::ToWide(directory);
  // "C:" alone is the current directory of drive C; its root is meant.
  if (!path.empty() && path.back() == L':') path += L'\\';
  SetCurrentDirectoryW(path.c_str());
}

void SetWindowDestroyedListener(void (*listener)()) { win32::DestroyedListener() = listener; }

}  // namespace platform
