// The Content-Length value as the server sends it, through DecimalValue and
// ReadSize. The C library's strtoll is the reference for the number.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "remote/read_size.h"

namespace {

constexpr long long kCeiling = 1'000'000'000'000LL;

// What atoi would give, with the magnitude held at the ceiling DecimalValue
// promises instead of overflowing.
long long Reference(std::string_view text) {
  const std::string terminated(text);  // strtoll stops at a zero byte, as DecimalValue does
  errno = 0;
  const long long value = std::strtoll(terminated.c_str(), nullptr, 10);
  if (value >= kCeiling) return kCeiling;
  if (value <= -kCeiling) return -kCeiling;
  return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);

  const long long value = remote::DecimalValue(text);
  FUZZ_CHECK(value == Reference(text), "DecimalValue reads the number as atoi does");

  const std::size_t read_size = remote::ReadSize(text);
  FUZZ_CHECK(read_size >= 1 && read_size <= remote::kLargestReadSize,
             "a read asks for at least one byte and never more than the largest piece");
  if (text.size() > remote::kLongestContentLength || value <= 0) {
    FUZZ_CHECK(read_size == remote::kDefaultReadSize,
               "a value too long to be a length, or no positive number, gives the default");
  } else if (value < static_cast<long long>(remote::kLargestReadSize)) {
    FUZZ_CHECK(read_size == static_cast<std::size_t>(value) + 1,
               "a small body fits in one read with a byte to spare to see its end");
  } else {
    FUZZ_CHECK(read_size == remote::kLargestReadSize, "a large body is read in the largest pieces");
  }
  FUZZ_CHECK(remote::ReadSize(std::nullopt) == remote::kDefaultReadSize,
             "no Content-Length gives the default");
  return 0;
}
