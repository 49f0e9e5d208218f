// The skin library bound with LoadLibraryA and GetProcAddress. It stays loaded
// to the end, where UnloadSkinLibrary lets it go.
#include "platform/skin_library.h"
#include "platform/win32/win32_internal.h"

namespace platform {

namespace {

// The library's entry point uses the stdcall convention.
using AttachEntry = std::int32_t(__stdcall*)(const char* skin_path, const char* second);

HMODULE library = nullptr;
AttachEntry attach = nullptr;

}  // namespace

Text SkinLibraryFileName() { return "SkinH_EL.dll"; }

bool BindSkinLibrary(const Text& first_path, const Text& file_name, const char* entry_name) {
  win32::UnloadSkinLibrary();
  HMODULE handle = first_path.empty() ? nullptr : LoadLibraryA(first_path.c_str());
  if (!handle && !file_name.empty()) handle = LoadLibraryA(file_name.c_str());
  if (!handle) return false;
  FARPROC entry = entry_name ? GetProcAddress(handle, entry_name) : nullptr;
  if (!entry) {
    FreeLibrary(handle);
    return false;
  }
  library = handle;
  attach = reinterpret_cast<AttachEntry>(reinterpret_cast<void*>(entry));
  return true;
}

std::int32_t AttachSkin(const Text& skin_path, const Text& second) {
  return attach ? attach(skin_path.c_str(), second.c_str()) : 0;
}

namespace win32 {

void UnloadSkinLibrary() {
  attach = nullptr;
  if (library) FreeLibrary(library);
  library = nullptr;
}

}  // namespace win32

}  // namespace platform
