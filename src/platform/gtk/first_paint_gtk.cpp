// A window made visible is mapped and painted by GTK's frame clock, that is
// from the main loop. What follows a window being shown may block the thread
// for a long time (the start's status fetch waits for the network), and the
// window would not reach the screen before that ends. So showing a window
// waits until GTK has drawn it once, dispatching only what the main loop has
// then: a window that has never been on the screen has had no input, and
// nothing of the program's own is waiting at that point.
#include "platform/gtk/first_paint_gtk.h"

namespace platform::gtk {

namespace {

constexpr gint64 kLongestWaitUs = 1000 * 1000;  // a display that never draws

}  // namespace

void WaitForFirstPaint(GtkWidget* window) {
  if (!gtk_widget_get_visible(window)) return;
  g_object_ref(window);  // whatever runs meanwhile may destroy it
  bool painted = false;
  const gulong handler = g_signal_connect_after(
      window, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer data) -> gboolean {
        *static_cast<bool*>(data) = true;
        return FALSE;
      }),
      &painted);
  const gint64 deadline = g_get_monotonic_time() + kLongestWaitUs;
  // Wakes the wait now and then so the deadline is seen without events.
  const guint tick = g_timeout_add(
      10, +[](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
  while (!painted && gtk_widget_get_visible(window) && g_get_monotonic_time() < deadline)
    g_main_context_iteration(nullptr, TRUE);
  g_source_remove(tick);
  if (g_signal_handler_is_connected(window, handler)) g_signal_handler_disconnect(window, handler);
  gdk_display_flush(gtk_widget_get_display(window));
  g_object_unref(window);
}

}  // namespace platform::gtk
