#include "platform/common/settings_place.h"

namespace platform::settings_place {

namespace {

template <class Char>
std::basic_string<Char> Place(std::basic_string_view<Char> file,
                              std::basic_string_view<Char> program_directory, bool writable,
                              std::basic_string_view<Char> user_folder, Char separator) {
  const std::basic_string<Char> as_given(file);
  const auto cut = file.rfind(separator);
  if (cut == file.npos || file.substr(0, cut) != program_directory) return as_given;
  if (writable || user_folder.empty()) return as_given;
  std::basic_string<Char> moved(user_folder);
  if (moved.back() != separator) moved += separator;
  return moved + std::basic_string<Char>(file.substr(cut + 1));
}

}  // namespace

std::string SettingsFile(std::string_view file, std::string_view program_directory,
                         bool program_directory_writable, std::string_view user_folder,
                         char separator) {
  return Place(file, program_directory, program_directory_writable, user_folder, separator);
}

std::wstring SettingsFile(std::wstring_view file, std::wstring_view program_directory,
                          bool program_directory_writable, std::wstring_view user_folder,
                          wchar_t separator) {
  return Place(file, program_directory, program_directory_writable, user_folder, separator);
}

}  // namespace platform::settings_place
