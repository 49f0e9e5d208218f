// The thread's message queue, and what is done to a message before its window
// sees it: Esc closes the window it was meant for, the browser gets its own
// keys, and windows with push buttons get the dialog keys.
#include <functional>

#include "platform/event_queue.h"
#include "platform/win32/win32_internal.h"

namespace platform {

namespace win32 {

bool PreTranslate(MSG& message) {
  if (message.message < WM_KEYFIRST || message.message > WM_KEYLAST || !message.hwnd) return false;
  WindowRecord* record = RecordOf(GetAncestor(message.hwnd, GA_ROOT));
  if (!record) return false;
  // Esc closes the window as its close box does, before any control sees it.
  if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
    CloseByUser(record->id);
    return true;
  }
  if (BrowserTranslateAccelerator(message)) return true;
  return record->dialog_keys && IsDialogMessageW(record->hwnd, &message);
}

}  // namespace win32

QueueHead PeekQueueHead() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) return QueueHead::Empty;
  return message.message == WM_QUIT ? QueueHead::Quit : QueueHead::Event;
}

void DispatchNextEvent() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return;
  if (message.message == WM_QUIT) {
    // Taken by accident of timing: it stays for the event loop.
    PostQuitMessage(static_cast<int>(message.wParam));
    return;
  }
  if (message.hwnd == nullptr && message.message == win32::kRunTaskMessage) {
    win32::RunTask(message.lParam);  // posted while there was no owner window
    return;
  }
  if (win32::PreTranslate(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

void WaitForNextEvent(int timeout_ms) {
  MsgWaitForMultipleObjectsEx(0, nullptr,
                              timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms),
                              QS_ALLINPUT, MWMO_INPUTAVAILABLE);
}

void DoIdleWork() {}

void PostQuit(int code) { PostQuitMessage(code); }

int TakeQuit() {
  MSG message;
  if (!PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) return 0;
  return static_cast<int>(message.wParam);
}

void PostTask(std::function<void()> task) {
  auto* queued = new std::function<void()>(std::move(task));
  const LPARAM parameter = reinterpret_cast<LPARAM>(queued);
  if (HWND owner = win32::Owner()) {
    if (PostMessageW(owner, win32::kRunTaskMessage, 0, parameter)) return;
  } else if (PostThreadMessageW(GetCurrentThreadId(), win32::kRunTaskMessage, 0, parameter)) {
    return;
  }
  delete queued;
}

}  // namespace platform
