// Private-profile (INI) settings files, read and written by section and key.
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
