#include "platform/gtk/gtk_internal.h"
#include "platform/gtk/text_convert.h"
#include "platform/ui.h"

namespace platform {

void ShowMessageBox(const Text& text, const Text& caption, MessageBoxStyle style) {
  const bool fatal = style == MessageBoxStyle::FatalError;
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL,
                                             fatal ? GTK_MESSAGE_ERROR : GTK_MESSAGE_OTHER,
                                             GTK_BUTTONS_OK, "%s", gtk::ToUtf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), gtk::ToUtf8(caption).c_str());
  gtk_window_set_position(GTK_WINDOW(dialog), GTK_WIN_POS_CENTER);
  gtk_window_set_keep_above(GTK_WINDOW(dialog), TRUE);
  // Modal: while it runs no other window of the program takes input.
  gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
}

}  // namespace platform
