// Freedesktop launcher files (.desktop) as text, with the quoting and escapes
// that the Desktop Entry format asks of their values. Text is UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace platform::desktop_entry {

// One argument of an Exec value, before the key-file escapes: in double
// quotes, with '"', '`', '$' and '\' escaped by a backslash, when it holds a
// reserved character; as it is otherwise.
std::string QuoteArgument(std::string_view argument);

// A value of type string, iconstring or localestring as the key file holds
// it: backslash, line breaks and tabs as escape sequences, and a blank at
// either end as "\s" so that readers do not trim it away.
std::string EscapeValue(std::string_view value);

// The Exec value that starts program with no arguments: quoted, '%' doubled
// (it would start a field code), then escaped as a string value.
std::string ExecValue(std::string_view program);

struct Launcher {
  std::string name;     // shown under the icon
  std::string program;  // absolute path of the executable
  std::string icon;     // absolute path of the image
};

// The whole file, each line ended by "\n".
std::string LauncherText(const Launcher& launcher);

}  // namespace platform::desktop_entry
