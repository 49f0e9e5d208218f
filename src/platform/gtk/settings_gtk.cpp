// Settings files with the Windows private-profile semantics, by our own reader
// and writer: the bytes stay code page 936, only the file name becomes UTF-8.
#include "platform/common/profile_store.h"
#include "platform/gtk/text_convert.h"
#include "platform/settings.h"

namespace platform {

namespace {

// A text ends at its first zero byte, as it does for the Windows functions.
std::string UpToZero(const Text& text) { return std::string(text.c_str()); }

}  // namespace

Text ReadSetting(const Text& file, const Text& section, const Text& key) {
  return profile::ReadFromFile(gtk::ToUtf8(UpToZero(file)), UpToZero(section), UpToZero(key));
}

bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value) {
  return profile::WriteToFile(gtk::ToUtf8(UpToZero(file)), UpToZero(section), UpToZero(key),
                              UpToZero(value));
}

}  // namespace platform
