// The values a skin file may hold, checked before anything uses them: a
// checked value is safe to put into a style sheet or a Windows font as it is.
#pragma once

#include <string_view>

#include "skin.h"

namespace skin {

inline constexpr int kMinFontSize = 6;
inline constexpr int kMaxFontSize = 72;
// A Windows face name holds 31 UTF-16 units; faces are kept to the Basic
// Multilingual Plane, so that is 31 characters.
inline constexpr std::size_t kMaxFaceCharacters = 31;

// "#rrggbb", six hex digits in either case.
bool ParseColour(std::string_view text, Rgb* colour);
// A whole number of pixels, kMinFontSize to kMaxFontSize, digits only.
bool ParseFontSize(std::string_view text, int* size);
// A face name of 1 to kMaxFaceCharacters characters: ASCII letters, digits,
// blanks, '-', '_' and '.', and printable characters of the Basic
// Multilingual Plane beyond ASCII; no quotes, backslashes, punctuation of
// style sheets, control or invisible formatting characters. Neither end blank.
bool IsSafeFontFace(std::string_view utf8);

}  // namespace skin
