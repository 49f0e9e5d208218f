// The library's one entry point on Windows and its DLL entry. The skin goes
// on the windows of the thread that attaches it.
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/skin_file.h"
#include "coverage.h"
#include "resources.h"

namespace {

// The path is the program's text, code page 936, whatever the ANSI code page
// of the machine.
constexpr UINT kPathCodePage = 936;

std::wstring WidePath(const char* path) {
  const int length = MultiByteToWideChar(kPathCodePage, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
  if (length <= 1) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(kPathCodePage, MB_ERR_INVALID_CHARS, path, -1, wide.data(), length);
  wide.resize(static_cast<std::size_t>(length) - 1);
  return wide;
}

skin::SkinResult ReadSkinFile(const std::wstring& path) {
  std::FILE* file = _wfopen(path.c_str(), L"rb");
  const skin::SkinResult result = skin::ReadSkin(file);
  if (file) std::fclose(file);
  return result;
}

std::int32_t Attach(const char* skin_path) {
  if (!skin_path) return 0;
  const std::wstring path = WidePath(skin_path);
  if (path.empty()) return 0;
  const skin::SkinResult result = ReadSkinFile(path);
  if (!result.ok()) return 0;

  skin::win32::Resources fresh;
  if (!skin::win32::MakeResources(result.skin, &fresh)) return 0;
  if (!skin::win32::HookThread()) {
    skin::win32::FreeResources(&fresh);
    return 0;
  }
  skin::win32::Resources earlier = skin::win32::Active();
  skin::win32::Active() = fresh;
  skin::win32::CoverThreadWindows();
  // Only now that every window has the new font can the old one go.
  skin::win32::FreeResources(&earlier);
  return 1;
}

}  // namespace

// The second text is reserved for a later version and not looked at.
extern "C" std::int32_t __stdcall SkinH_AttachEx(const char* skin_path, const char*) {
  try {
    return Attach(skin_path);
  } catch (...) {
    // Nothing may cross into a caller that knows only C.
    return 0;
  }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
  // Unloaded by FreeLibrary (not at the end of the process): nothing of ours
  // may stay behind in the thread's windows.
  if (reason == DLL_PROCESS_DETACH && reserved == nullptr) {
    skin::win32::UncoverAll();
    skin::win32::FreeResources(&skin::win32::Active());
  }
  return TRUE;
}
