// The notice window's controls: a read-only wrapping text box with a vertical
// scroll bar, and push buttons.
#include "platform/gtk/gtk_internal.h"
#include "platform/gtk/text_convert.h"

namespace platform::gtk {

GtkWidget* CreateEditBox(const ControlDesign&) {
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER,
                                 GTK_POLICY_ALWAYS);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  GtkWidget* view = gtk_text_view_new();
  gtk_text_view_set_editable(GTK_TEXT_VIEW(view), FALSE);
  gtk_text_view_set_cursor_visible(GTK_TEXT_VIEW(view), FALSE);
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
  gtk_container_add(GTK_CONTAINER(scroller), view);
  gtk_widget_show(view);
  return scroller;
}

GtkWidget* CreatePushButton(const ControlDesign& design) {
  GtkWidget* button = gtk_button_new_with_label(ToUtf8(design.text).c_str());
  gtk_widget_set_can_default(button, FALSE);
  return button;
}

}  // namespace platform::gtk
