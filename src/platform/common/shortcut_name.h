// The file name of a desktop shortcut, shared by both platforms. Paths are the
// system's code page 936 texts: the second byte of a double-byte character
// can have the value of a backslash and is not a separator.
#pragma once

#include <string>
#include <string_view>

namespace platform::shortcut {

// The path with extension appended when its file name (the part after the
// last separator) holds no dot. A dot in a folder name does not count.
std::string WithExtension(std::string_view path, char separator, std::string_view extension);

// The file name without its extension: what a launcher shows as its name.
// A name that is all extension (".desktop") is kept whole.
std::string TitleOf(std::string_view path, char separator);

}  // namespace platform::shortcut
