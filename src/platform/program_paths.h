// The running executable's directory and file name, cut at its last separator.
#pragma once

#include "platform/text.h"

namespace platform {

// Without the separator that ends it; for a program in a root directory the
// part before the separator ("C:" on Windows, empty on Linux).
Text ProgramDirectory();
Text ProgramFileName();

Text DirectoryOf(const Text& path, char separator);
Text FileNameOf(const Text& path, char separator);

}  // namespace platform
