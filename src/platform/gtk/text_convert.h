// The system's texts are code page 936; GTK and Linux file names are UTF-8.
// GB18030 is a superset of code page 936 that covers all of Unicode, so file
// names round-trip without loss.
#pragma once

#include <string>

namespace platform::gtk {

std::string ToUtf8(const std::string& text);
std::string FromUtf8(const std::string& utf8);

}  // namespace platform::gtk
