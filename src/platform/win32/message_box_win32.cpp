// The two kinds of message the system shows.
#include "platform/ui.h"
#include "platform/win32/win32_internal.h"

namespace platform {

void ShowMessageBox(const Text& text, const Text& caption, MessageBoxStyle style) {
  const UINT type =
      style == MessageBoxStyle::FatalError ? MB_OK | MB_ICONERROR : MB_OK | MB_TASKMODAL;
  MessageBoxW(nullptr, win32::ToWide(text).c_str(), win32::ToWide(caption).c_str(), type);
}

}  // namespace platform
