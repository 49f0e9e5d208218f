// Where a settings file that the program keeps beside itself really lives.
// Beside the program while its directory is writable for the user (a build
// tree, a portable copy); in the user's own settings folder when it is not (an
// installed program), so that what the program records is not lost at every
// start. Pure code for both platforms: bytes on Linux, UTF-16 on Windows.
#pragma once

#include <string>
#include <string_view>

namespace platform::settings_place {

// file itself, unless it is named directly in program_directory (given
// without the separator that ends it) and that directory is not writable:
// then the same file name in user_folder. An empty user_folder (the user's
// folder is not known) leaves file where it is.
std::string SettingsFile(std::string_view file, std::string_view program_directory,
                         bool program_directory_writable, std::string_view user_folder,
                         char separator);
std::wstring SettingsFile(std::wstring_view file, std::wstring_view program_directory,
                          bool program_directory_writable, std::wstring_view user_folder,
                          wchar_t separator);

}  // namespace platform::settings_place
