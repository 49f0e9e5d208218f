// The skin library bound with dlopen and dlsym. It stays loaded to the end,
// where UnloadLibraries lets it go.
#include <dlfcn.h>
#include <link.h>

#include "platform/gtk/gtk_internal.h"
#include "platform/gtk/text_convert.h"
#include "platform/skin_library.h"

namespace platform {

namespace {

using AttachEntry = std::int32_t (*)(const char* skin_path, const char* second);

void* library = nullptr;
AttachEntry attach = nullptr;

// dlopen of a name without a slash searches the system's directories; the
// first attempt is meant as a path, so it is made one. An empty name would
// give the program itself.
void* OpenPath(const std::string& utf8) {
  if (utf8.empty()) return nullptr;
  return dlopen(utf8.find('/') == std::string::npos ? ("./" + utf8).c_str() : utf8.c_str(),
                RTLD_NOW | RTLD_LOCAL);
}

void* OpenBySearch(const std::string& utf8) {
  return utf8.empty() ? nullptr : dlopen(utf8.c_str(), RTLD_NOW | RTLD_LOCAL);
}

// dlsym looks through the libraries a library depends on as well; the entry
// counts only when it is the loaded library's own.
void* OwnSymbol(void* handle, const char* name) {
  void* symbol = dlsym(handle, name);
  link_map* library_map = nullptr;
  link_map* symbol_map = nullptr;
  Dl_info info;
  if (!symbol || dlinfo(handle, RTLD_DI_LINKMAP, &library_map) != 0 ||
      !dladdr1(symbol, &info, reinterpret_cast<void**>(&symbol_map), RTLD_DL_LINKMAP))
    return nullptr;
  return symbol_map == library_map ? symbol : nullptr;
}

}  // namespace

Text SkinLibraryFileName() { return "libSkinH_EL.so"; }

bool BindSkinLibrary(const Text& first_path, const Text& file_name, const char* entry_name) {
  gtk::UnloadLibraries();
  void* handle = OpenPath(gtk::ToUtf8(first_path));
  if (!handle) handle = OpenBySearch(gtk::ToUtf8(file_name));
  if (!handle) return false;
  void* entry = entry_name ? OwnSymbol(handle, entry_name) : nullptr;
  if (!entry) {
    dlclose(handle);
    return false;
  }
  library = handle;
  attach = reinterpret_cast<AttachEntry>(entry);
  return true;
}

std::int32_t AttachSkin(const Text& skin_path, const Text& second) {
  if (!attach) return 0;
  // A file name on Linux is UTF-8; the second text goes as it is.
  return attach(gtk::ToUtf8(skin_path).c_str(), second.c_str());
}

namespace gtk {

void UnloadLibraries() {
  attach = nullptr;
  if (library) dlclose(library);
  library = nullptr;
}

}  // namespace gtk

}  // namespace platform
