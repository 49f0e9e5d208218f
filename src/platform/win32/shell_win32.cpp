// The shell's "open" for URLs: the user's default web browser for http.
#include "platform/shell.h"
#include "platform/win32/win32_internal.h"

namespace platform {

void OpenUrl(const Text& url) {
  // The result is not looked at: a browser that does not start shows nothing.
  ShellExecuteW(nullptr, L"open", win32::ToWide(url).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace platform
