// Private-profile settings files on disk: the byte-level reader and writer of
// profile_file.h over whole-file reads and crash-safe replacement.
#pragma once

#include <string>
#include <string_view>

namespace platform::profile {

// The empty text when the file cannot be read, as for a missing key.
std::string ReadFromFile(const std::string& path, std::string_view section, std::string_view key);

// False, with the file as it was, when it cannot be read (other than missing)
// or replaced. A write that changes nothing does not touch the file.
bool WriteToFile(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value);

}  // namespace platform::profile
