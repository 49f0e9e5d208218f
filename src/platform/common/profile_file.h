// Private-profile (INI) files as bytes, read and edited the way the Windows
// profile functions do it, for platforms that have no such functions.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform::profile {

// The longest value a read gives: a buffer of 10240 bytes less its terminator.
inline constexpr std::size_t kValueLimit = 10239;

// The value of the first key named key in the first section named section, or
// the empty text. Names match without regard to ASCII case; blanks around
// names and values do not count; a value in matching quotes loses them.
std::string ReadValue(std::string_view contents, std::string_view section, std::string_view key);

// Sets the key in contents: its value replaced in place, or a new line at the
// end of its section, or a new section at the end. Every other byte stays.
// False, with contents untouched, when a name or the value holds a line break,
// which would change lines other than the key's own, or when a name would not
// read back as itself: a section's with ']' or a key's with '=' in it, a key
// that begins as a section header or a comment, a name that ends in the first
// byte of a double-byte character (it would take the ']' or '=' after it).
bool WriteValue(std::string& contents, std::string_view section, std::string_view key,
                std::string_view value);

}  // namespace platform::profile
