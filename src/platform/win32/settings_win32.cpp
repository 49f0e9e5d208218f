// Settings files through the Windows private-profile functions. The core
// always passes a full path; a bare file name would be looked for in the
// Windows directory. The wide functions take the names converted from code
// page 936, so a program folder with Chinese letters is found whatever the
// system's ANSI code page is.
#include <windows.h>

#include <vector>

#include "platform/settings.h"
#include "platform/win32/win32_internal.h"

namespace platform {

namespace {
// A longer value is cut to 10239 bytes and its terminator.
constexpr DWORD kValueBuffer = 10240;
}  // namespace

Text ReadSetting(const Text& file, const Text& section, const Text& key) {
  std::vector<wchar_t> value(kValueBuffer);
  const DWORD length =
      GetPrivateProfileStringW(win32::ToWide(section).c_str(), win32::ToWide(key).c_str(), L"",
                               value.data(), kValueBuffer, win32::ToWide(file).c_str());
  Text text = win32::FromWide(std::wstring(value.data(), length));
  if (text.size() > kValueBuffer - 1) text.resize(kValueBuffer - 1);
  return text;
}

bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value) {
  return WritePrivateProfileStringW(win32::ToWide(section).c_str(), win32::ToWide(key).c_str(),
                                    win32::ToWide(value).c_str(),
                                    win32::ToWide(file).c_str()) != FALSE;
}

}  // namespace platform
