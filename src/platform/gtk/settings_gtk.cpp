// Settings files with the Windows private-profile semantics, by our own reader
// and writer: the bytes stay code page 936, only the file name becomes UTF-8.
// A file beside an installed program (a directory the user cannot write to)
// is kept in $XDG_CONFIG_HOME/tolvane instead.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/common/profile_store.h"
#include "platform/common/settings_place.h"
#include "platform/gtk/gtk_internal.h"
#include "platform/gtk/text_convert.h"
#include "platform/gtk/user_folders.h"
#include "platform/settings.h"

namespace platform {

namespace {

// A text ends at its first zero byte, as it does for the Windows functions.
std::string UpToZero(const Text& text) { return std::string(text.c_str()); }

std::string UserFolder() {
  const std::string config = gtk::ConfigHome();
  if (config.empty()) return config;
  return config.back() == '/' ? config + "tolvane" : config + "/tolvane";
}

// The UTF-8 path the settings really go to.
std::string SettingsPath(const Text& file) {
  const std::string path = gtk::ToUtf8(UpToZero(file));
  const std::string executable = gtk::ExecutablePathUtf8();
  const std::string program = executable.substr(0, executable.rfind('/'));
  // The whole file is replaced through a new one beside it, so it is the
  // directory that has to be writable, not the file.
  const bool writable = access(program.empty() ? "/" : program.c_str(), W_OK) == 0;
  return settings_place::SettingsFile(path, program, writable, UserFolder(), '/');
}

// Each missing folder of path, made private to the user as the XDG base
// directory rules ask.
bool MakeFolders(const std::string& path) {
  for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
    if (mkdir(path.substr(0, at).c_str(), 0700) != 0 && errno != EEXIST) return false;
  }
  return true;
}

}  // namespace

Text ReadSetting(const Text& file, const Text& section, const Text& key) {
  return profile::ReadFromFile(SettingsPath(file), UpToZero(section), UpToZero(key));
}

bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value) {
  const std::string path = SettingsPath(file);
  if (path != gtk::ToUtf8(UpToZero(file)) && !MakeFolders(path)) return false;
  return profile::WriteToFile(path, UpToZero(section), UpToZero(key), UpToZero(value));
}

}  // namespace platform
