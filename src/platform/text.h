// The system's text: zero-terminated bytes in code page 936, kept as they come.
// Backends convert at their own boundary (UTF-16 on Windows, UTF-8 on Linux).
#pragma once

#include <string>

namespace platform {

using Text = std::string;

}  // namespace platform
