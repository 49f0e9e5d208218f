// The user's desktop and shortcuts on it.
#pragma once

#include "platform/text.h"

namespace platform {

// The directory holding the user's desktop, ending in the path separator; the
// empty text when it cannot be determined. It is not created.
Text DesktopDirectory();

// Writes a shortcut at path that starts target, replacing any file there. The
// platform's shortcut extension is appended when the file name has no dot.
bool CreateShortcut(const Text& path, const Text& target);

}  // namespace platform
