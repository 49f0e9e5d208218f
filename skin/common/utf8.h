// Strict UTF-8 decoding: a skin file is UTF-8 text and nothing else.
#pragma once

#include <cstddef>
#include <string_view>

namespace skin {

// Decodes the code point at *position and moves past it. False, leaving
// *position as it was, for a truncated, overlong or otherwise ill-formed
// sequence, a surrogate, or a value beyond U+10FFFF.
bool DecodeUtf8(std::string_view text, std::size_t* position, char32_t* code_point);

}  // namespace skin
