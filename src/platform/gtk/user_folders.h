// The user's home and configuration folder, from the environment as every
// Linux program finds them. UTF-8 paths; empty when not known.
#pragma once

#include <string>

namespace platform::gtk {

std::string Environment(const char* name);
// $HOME, else the password database.
std::string HomeDirectory();
// $XDG_CONFIG_HOME when absolute, else $HOME/.config.
std::string ConfigHome();

}  // namespace platform::gtk
