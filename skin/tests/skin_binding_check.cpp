// Test driver: the program's binding of the skin library, one attempt.
//
//   skin_binding_check FIRST_PATH FILE_NAME ENTRY_NAME SKIN_PATH
//
// The paths are the program's texts (code page 936). Prints "bound 0|1",
// "attach RESULT" when bound, and the skin libraries mapped into the process
// ("mapped LIST") before and after the binding lets the library go.
#include <gtk/gtk.h>

#include <cstdio>
#include <fstream>
#include <set>
#include <string>

#include "platform/gtk/gtk_internal.h"
#include "platform/skin_library.h"

namespace {

// Files of the process's mappings whose names tell a skin library or fixture.
std::string MappedSkinLibraries() {
  std::ifstream maps("/proc/self/maps");
  std::set<std::string> found;
  for (std::string line; std::getline(maps, line);) {
    const std::size_t slash = line.rfind('/');
    if (slash == std::string::npos) continue;
    const std::string name = line.substr(slash + 1);
    if (name.find("SkinH_EL") != std::string::npos ||
        name.find("skin_fixture") != std::string::npos)
      found.insert(name);
  }
  std::string list;
  for (const std::string& name : found) list += (list.empty() ? "" : ",") + name;
  return list.empty() ? "-" : list;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: skin_binding_check FIRST_PATH FILE_NAME ENTRY_NAME SKIN_PATH\n");
    return 2;
  }
  // A display makes the attachment real; without one it gives 0.
  gtk_init_check(nullptr, nullptr);
  const bool bound = platform::BindSkinLibrary(argv[1], argv[2], argv[3]);
  std::printf("bound %d\n", bound ? 1 : 0);
  if (bound) std::printf("attach %d\n", platform::AttachSkin(argv[4], ""));
  std::printf("mapped %s\n", MappedSkinLibraries().c_str());
  platform::gtk::UnloadLibraries();
  std::printf("unloaded %s\n", MappedSkinLibraries().c_str());
  return 0;
}
