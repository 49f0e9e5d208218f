// WebKit's web-process sandbox: pages from the network run under bubblewrap
// wherever the system can run it. WebKitGTK leaves it off for this API
// version, and turning it on where bubblewrap cannot make its namespaces (some
// containers) would leave every page blank, so bubblewrap is tried first.
#include <webkit2/webkit2.h>

#include "platform/gtk/web_sandbox_gtk.h"

namespace platform::gtk {

namespace {

bool BubblewrapWorks() {
  gchar* bwrap = g_find_program_in_path("bwrap");
  if (!bwrap) return false;
  const gchar* argv[] = {bwrap, "--ro-bind", "/", "/", "--unshare-all", "true", nullptr};
  gint status = 1;
  const gboolean spawned = g_spawn_sync(
      nullptr, const_cast<gchar**>(argv), nullptr,
      static_cast<GSpawnFlags>(G_SPAWN_STDOUT_TO_DEV_NULL | G_SPAWN_STDERR_TO_DEV_NULL), nullptr,
      nullptr, nullptr, nullptr, &status, nullptr);
  g_free(bwrap);
  return spawned && g_spawn_check_wait_status(status, nullptr);
}

}  // namespace

void EnableWebSandboxWhereAvailable() {
  static bool decided = false;  // before the first web process, once
  if (decided) return;
  decided = true;
  if (BubblewrapWorks())
    webkit_web_context_set_sandbox_enabled(webkit_web_context_get_default(), TRUE);
}

}  // namespace platform::gtk
