#include "remote/read_size.h"

#include <algorithm>

namespace remote {

long long DecimalValue(std::string_view text) {
  std::size_t at = 0;
  auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
  while (at < text.size() && blank(text[at])) ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
  long long value = 0;
  constexpr long long kCeiling = 1'000'000'000'000LL;  // far above any size of ours
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at)
    value = std::min(kCeiling, value * 10 + (text[at] - '0'));
  return negative ? -value : value;
}

std::size_t ReadSize(std::optional<std::string_view> content_length) {
  if (!content_length || content_length->size() > kLongestContentLength) return kDefaultReadSize;
  const long long n = DecimalValue(*content_length);
  if (n <= 0) return kDefaultReadSize;
  return static_cast<std::size_t>(std::min<long long>(n + 1, kLargestReadSize));
}

}  // namespace remote
