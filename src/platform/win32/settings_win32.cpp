// Settings files through the Windows private-profile functions. The core
// always passes a full path; a bare file name would be looked for in the
// Windows directory. The wide functions take the names converted from code
// page 936, so a program folder with Chinese letters is found whatever the
// system's ANSI code page is. A file beside an installed program (under
// Program Files, which a user cannot write to without elevation) is kept in
// %APPDATA%\Tolvane instead.
#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "platform/common/settings_place.h"
#include "platform/process.h"
#include "platform/settings.h"
#include "platform/win32/win32_internal.h"

namespace platform {

namespace {
// A longer value is cut to 10239 bytes and its terminator.
constexpr DWORD kValueBuffer = 10240;

std::wstring ProgramDirectory() {
  const std::wstring program = win32::ToWide(ProgramPath());
  const auto cut = program.rfind(L'\\');
  return cut == std::wstring::npos ? std::wstring() : program.substr(0, cut);
}

// Asked by making a file there: access rights on Windows are more than the
// directory's attributes say. The file goes when its handle is closed.
bool Writable(const std::wstring& directory) {
  const std::wstring probe = directory + L"\\~tolvane-" + std::to_wstring(GetCurrentProcessId()) +
                             L"-" + std::to_wstring(GetTickCount()) + L".tmp";
  const HANDLE file = CreateFileW(
      probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
      FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_FILE_EXISTS;
  CloseHandle(file);
  return true;
}

std::wstring UserFolder() {
  wchar_t app_data[MAX_PATH];
  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr,
                              SHGFP_TYPE_CURRENT, app_data)))
    return std::wstring();
  std::wstring folder = app_data;
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder + L"Tolvane";
}

std::wstring SettingsPath(const Text& file) {
  const std::wstring path = win32::ToWide(file);
  const std::wstring program = ProgramDirectory();
  return settings_place::SettingsFile(path, program, Writable(program), UserFolder(), L'\\');
}

}  // namespace

Text ReadSetting(const Text& file, const Text& section, const Text& key) {
  std::vector<wchar_t> value(kValueBuffer);
  const DWORD length =
      GetPrivateProfileStringW(win32::ToWide(section).c_str(), win32::ToWide(key).c_str(), L"",
                               value.data(), kValueBuffer, SettingsPath(file).c_str());
  Text text = win32::FromWide(std::wstring(value.data(), length));
  if (text.size() > kValueBuffer - 1) text.resize(kValueBuffer - 1);
  return text;
}

bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value) {
  const std::wstring path = SettingsPath(file);
  if (path != win32::ToWide(file)) {
    const std::wstring folder = path.substr(0, path.rfind(L'\\'));
    if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
      return false;
  }
  return WritePrivateProfileStringW(win32::ToWide(section).c_str(), win32::ToWide(key).c_str(),
                                    win32::ToWide(value).c_str(), path.c_str()) != FALSE;
}

}  // namespace platform
