// Settings files through the Windows private-profile functions. The core
// always passes a full path; a bare file name would be looked for in the
// Windows directory.
#include <windows.h>

#include <vector>

#include "platform/settings.h"

namespace platform {

namespace {
// A longer value is cut to 10239 bytes and its terminator.
constexpr DWORD kValueBuffer = 10240;
}  // namespace

Text ReadSetting(const Text& file, const Text& section, const Text& key) {
  std::vector<char> value(kValueBuffer);
  const DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), "", value.data(),
                                                kValueBuffer, file.c_str());
  return Text(value.data(), length);
}

bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value) {
  return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) !=
         FALSE;
}

}  // namespace platform
