// The desktop on Linux: the XDG desktop directory, and a freedesktop launcher
// as the shortcut, made executable since desktops trust only such launchers.
#include <optional>

#include "platform/common/desktop_entry.h"
#include "platform/common/file_replace.h"
#include "platform/common/shortcut_name.h"
#include "platform/common/user_dirs.h"
#include "platform/desktop.h"
#include "platform/gtk/text_convert.h"
#include "platform/gtk/user_folders.h"

namespace platform {

namespace {

constexpr mode_t kLauncherMode = 0755;

}  // namespace

Text DesktopDirectory() {
  const std::string home = gtk::HomeDirectory();
  const std::string user_dirs = xdg::UserDirsFile(gtk::Environment("XDG_CONFIG_HOME"), home);
  std::optional<std::string> recorded;
  std::string contents;
  if (!user_dirs.empty() && files::ReadFile(user_dirs, contents) == files::ReadResult::kRead) {
    recorded = xdg::DesktopFromUserDirs(contents, home);
  }
  const std::string directory = xdg::DesktopDirectory(home, recorded);
  return directory.empty() ? Text() : gtk::FromUtf8(directory);
}

bool CreateShortcut(const Text& path, const Text& target) {
  const Text file = shortcut::WithExtension(path.c_str(), '/', ".desktop");
  const std::string program = gtk::ToUtf8(target.c_str());
  const desktop_entry::Launcher launcher{
      gtk::ToUtf8(shortcut::TitleOf(file, '/')),
      program,
      // The icon the program shows for itself, in assets/ beside it.
      program.substr(0, program.rfind('/') + 1) + "assets/icon.png",
  };
  return files::ReplaceFile(gtk::ToUtf8(file), desktop_entry::LauncherText(launcher),
                            kLauncherMode);
}

}  // namespace platform
