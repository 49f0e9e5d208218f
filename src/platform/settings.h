// Private-profile (INI) settings files, read and written by section and key.
// A file named directly in the program's directory stays there while the user
// can write to that directory; otherwise (an installed program) it is kept
// under the same name in the user's settings folder: $XDG_CONFIG_HOME/tolvane
// on Linux, %APPDATA%\Tolvane on Windows, made when first written.
#pragma once

#include "platform/text.h"

namespace platform {

// The value under the key, or the empty text when the file, the section or the
// key is missing. Values longer than 10239 bytes are cut there.
Text ReadSetting(const Text& file, const Text& section, const Text& key);

// Stores the value, creating the file and the section when missing, leaving
// every other section, key, comment and line end as it was.
bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value);

}  // namespace platform
