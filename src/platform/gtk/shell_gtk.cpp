// Opening a URL with the desktop's default handler for its scheme, through
// GIO: the URL is handed over as data, never put into a command line.
#include <gio/gio.h>

#include "platform/gtk/text_convert.h"
#include "platform/shell.h"

namespace platform {

void OpenUrl(const Text& url) {
  GError* error = nullptr;
  if (!g_app_info_launch_default_for_uri(gtk::ToUtf8(url).c_str(), nullptr, &error)) {
    g_error_free(error);  // not reported: a missing browser leaves nothing behind
  }
}

}  // namespace platform
