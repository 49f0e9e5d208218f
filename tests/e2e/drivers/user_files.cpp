// Test driver: the Linux backend's settings file, desktop directory and
// launcher, called as the core calls them, with texts given and printed in
// UTF-8. "launcher-command" shows how GLib reads a launcher: the command line
// it would run, or exit code 3 when it rejects the file.
//
//   user_files desktop-directory
//   user_files create-shortcut PATH TARGET
//   user_files read-setting FILE SECTION KEY
//   user_files write-setting FILE SECTION KEY VALUE
//   user_files launcher-command FILE
#include <gio/gdesktopappinfo.h>

#include <cstdio>
#include <string>

#include "platform/desktop.h"
#include "platform/gtk/text_convert.h"
#include "platform/settings.h"

namespace {

using platform::gtk::FromUtf8;
using platform::gtk::ToUtf8;

int Print(const std::string& utf8) {
  std::printf("%s\n", utf8.c_str());
  return 0;
}

int LauncherCommand(const char* file) {
  GDesktopAppInfo* info = g_desktop_app_info_new_from_filename(file);
  if (!info) return 3;
  Print(g_app_info_get_commandline(G_APP_INFO(info)));
  g_object_unref(info);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  if (command == "desktop-directory" && argc == 2) {
    return Print(ToUtf8(platform::DesktopDirectory()));
  }
  if (command == "create-shortcut" && argc == 4) {
    return platform::CreateShortcut(FromUtf8(argv[2]), FromUtf8(argv[3])) ? 0 : 1;
  }
  if (command == "read-setting" && argc == 5) {
    return Print(
        ToUtf8(platform::ReadSetting(FromUtf8(argv[2]), FromUtf8(argv[3]), FromUtf8(argv[4]))));
  }
  if (command == "write-setting" && argc == 6) {
    return platform::WriteSetting(FromUtf8(argv[2]), FromUtf8(argv[3]), FromUtf8(argv[4]),
                                  FromUtf8(argv[5]))
               ? 0
               : 1;
  }
  if (command == "launcher-command" && argc == 3) return LauncherCommand(argv[2]);
  std::fprintf(stderr, "usage: see the comment at the top of user_files.cpp\n");
  return 2;
}
