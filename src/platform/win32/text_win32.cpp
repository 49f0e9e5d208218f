// Code page 936 at the Win32 boundary, whatever the machine's ANSI code page.
#include <cstring>

#include "platform/win32/win32_internal.h"

namespace platform::win32 {

namespace {
constexpr UINT kSystemCodePage = 936;
}

std::wstring ToWide(const Text& text) {
  // A zero inside the text ends it, as it does for the system.
  const int size = static_cast<int>(std::strlen(text.c_str()));
  if (size == 0) return {};
  const int length = MultiByteToWideChar(kSystemCodePage, 0, text.c_str(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kSystemCodePage, 0, text.c_str(), size, wide.data(), length);
  return wide;
}

Text FromWide(const std::wstring& text) {
  if (text.empty()) return {};
  const int length = WideCharToMultiByte(
      kSystemCodePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  Text bytes(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(kSystemCodePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                      length, nullptr, nullptr);
  return bytes;
}

}  // namespace platform::win32
