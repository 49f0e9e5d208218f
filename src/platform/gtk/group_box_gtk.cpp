// A caption-less group box: the etched frame of a Windows group box, drawn
// half a line of the default UI font below its top edge, on button face.
#include "platform/gtk/gtk_internal.h"

namespace platform::gtk {

namespace {

constexpr double kFrameTopOffset = 6.5;  // half the height of the default UI font

gboolean Draw(GtkWidget* widget, cairo_t* cr, gpointer) {
  const double width = gtk_widget_get_allocated_width(widget);
  const double height = gtk_widget_get_allocated_height(widget);
  SetSourceColor(cr, Color::ButtonFace());
  cairo_paint(cr);
  cairo_set_line_width(cr, 1);
  // Etched: a shadow line with a highlight line one pixel inside it.
  cairo_set_source_rgb(cr, 160 / 255.0, 160 / 255.0, 160 / 255.0);
  cairo_rectangle(cr, 0.5, kFrameTopOffset, width - 2, height - kFrameTopOffset - 1.5);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_rectangle(cr, 1.5, kFrameTopOffset + 1, width - 2, height - kFrameTopOffset - 1.5);
  cairo_stroke(cr);
  return FALSE;
}

}  // namespace

GtkWidget* CreateGroupBox(const ControlDesign&) {
  GtkWidget* widget = gtk_fixed_new();
  gtk_widget_set_has_window(widget, TRUE);
  gtk_widget_set_app_paintable(widget, TRUE);
  g_signal_connect(widget, "draw", G_CALLBACK(Draw), nullptr);
  return widget;
}

}  // namespace platform::gtk
