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
  // A scroll bar that is always there, as the design has it, not one that
  // appears only under the pointer.
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
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
  // The design's 29-pixel height is smaller than the theme's button: the
  // design wins, so the padding gives way.
  static GtkCssProvider* compact = [] {
    GtkCssProvider* provider = gtk_css_provider_new();
    gtk_css_provider_load_from_data(
        provider, "button { min-height: 0; min-width: 0; padding: 1px 2px; font-size: 12px; }", -1,
        nullptr);
    return provider;
  }();
  gtk_style_context_add_provider(gtk_widget_get_style_context(button), GTK_STYLE_PROVIDER(compact),
                                 GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + 1);
  return button;
}

}  // namespace platform::gtk
