// The style sheet that puts a skin on every GTK widget of the program. Plain
// C++ with no GTK in it, so it can be tested on its own.
#pragma once

#include <string>

#include "common/skin.h"

namespace skin {

// Only what the skin sets. A font face that is not safe (IsSafeFontFace) is
// left out; colours are written as #rrggbb from their numbers. So nothing of
// the file's text reaches the sheet unchecked.
std::string BuildCss(const Skin& skin);

}  // namespace skin
