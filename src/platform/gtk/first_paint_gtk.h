// Waits, briefly, for a window just shown to be on the screen and painted.
#pragma once

#include <gtk/gtk.h>

namespace platform::gtk {

void WaitForFirstPaint(GtkWidget* window);

}  // namespace platform::gtk
