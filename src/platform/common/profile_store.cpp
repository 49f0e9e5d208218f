#include "platform/common/profile_store.h"

#include "platform/common/file_replace.h"
#include "platform/common/profile_file.h"

namespace platform::profile {

std::string ReadFromFile(const std::string& path, std::string_view section, std::string_view key) {
  std::string contents;
  if (files::ReadFile(path, contents) != files::ReadResult::kRead) return std::string();
  return ReadValue(contents, section, key);
}

bool WriteToFile(const std::string& path, std::string_view section, std::string_view key,
                 std::string_view value) {
  std::string contents;
  const files::ReadResult read = files::ReadFile(path, contents);
  // A file that is there but cannot be read would be lost by writing anew.
  if (read == files::ReadResult::kFailed) return false;
  std::string updated = contents;
  if (!WriteValue(updated, section, key, value)) return false;
  if (read == files::ReadResult::kRead && updated == contents) return true;
  return files::ReplaceFile(path, updated);
}

}  // namespace platform::profile
