// How much FetchText asks for in each read, from the answer's Content-Length.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace remote {

inline constexpr std::size_t kDefaultReadSize = 10240;
inline constexpr std::size_t kLargestReadSize = 102400;
inline constexpr std::size_t kLongestContentLength = 31;
// No status or notice file comes near it; a server that sends more (a body
// that never ends, say) gets the empty text of a failed fetch, not all of memory.
inline constexpr std::size_t kLongestBody = 64 * 1024 * 1024;

// A decimal number as the C library's atoi reads it: blanks, a sign, then the
// digits up to the first other character; no digits give 0. Saturates instead
// of overflowing.
long long DecimalValue(std::string_view text);

// nullopt: the answer has no Content-Length. The size only sets how big each
// piece is, never how much of the body is read.
std::size_t ReadSize(std::optional<std::string_view> content_length);

}  // namespace remote
