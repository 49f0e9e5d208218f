#include "platform/gtk/text_convert.h"

#include <glib.h>

namespace platform::gtk {

namespace {

std::string Convert(const std::string& text, const char* to, const char* from) {
  gsize written = 0;
  gchar* converted = g_convert_with_fallback(text.data(), static_cast<gssize>(text.size()), to,
                                             from, "?", nullptr, &written, nullptr);
  if (!converted) return std::string();
  std::string result(converted, written);
  g_free(converted);
  return result;
}

}  // namespace

std::string ToUtf8(const std::string& text) { return Convert(text, "UTF-8", "GB18030"); }

std::string FromUtf8(const std::string& utf8) { return Convert(utf8, "GB18030", "UTF-8"); }

}  // namespace platform::gtk
