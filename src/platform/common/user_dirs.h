// The user's configuration folder, and the desktop directory as xdg-user-dirs
// records it. Paths are the file system's bytes (UTF-8 on our systems).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform::xdg {

// The user's configuration folder, without a trailing '/' (but "/" itself):
// $XDG_CONFIG_HOME when that variable holds an absolute path (a relative one
// is invalid and ignored), else $HOME/.config; empty when neither is known.
std::string ConfigHome(std::string_view config_home, std::string_view home);

// user-dirs.dirs in the configuration folder; empty when that is not known.
std::string UserDirsFile(std::string_view config_home, std::string_view home);

// The directory of the last XDG_DESKTOP_DIR line in the one format the file
// has: XDG_DESKTOP_DIR="$HOME/relative" or XDG_DESKTOP_DIR="/absolute",
// shell-escaped inside the quotes. Nothing when no line has that form, or when
// it needs $HOME and home is empty.
std::optional<std::string> DesktopFromUserDirs(std::string_view contents, std::string_view home);

// The user-dirs directory or else $HOME/Desktop, ending in one '/'; empty when
// neither is known.
std::string DesktopDirectory(std::string_view home, const std::optional<std::string>& user_dirs);

}  // namespace platform::xdg
