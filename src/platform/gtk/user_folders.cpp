#include "platform/gtk/user_folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/common/user_dirs.h"

namespace platform::gtk {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeDirectory() {
  std::string home = Environment("HOME");
  if (home.empty()) {
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir) home = entry->pw_dir;
  }
  return home;
}

std::string ConfigHome() {
  return xdg::ConfigHome(Environment("XDG_CONFIG_HOME"), HomeDirectory());
}

}  // namespace platform::gtk
