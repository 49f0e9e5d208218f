// Test driver: the skin library in a GTK program, as the program uses it. It
// builds a window (a button, a text view with its text selected) and a message
// dialog, attaches each skin file named on the command line through the
// library's entry point, shows them, and prints what GTK resolved for them and
// where they are on the screen. It runs until its standard input closes.
//
//   skin_check LIBRARY [SKIN_FILE...]     LIBRARY "-" loads no library at all;
//                                         SKIN_FILE "--null" passes a null path
//
// Output lines: "attach N RESULT", "style NAME VALUE", "rect NAME X Y W H",
// then "ready".
#include <dlfcn.h>
#include <glib-unix.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

using AttachEntry = std::int32_t (*)(const char*, const char*);

struct Widgets {
  GtkWidget* window;
  GtkWidget* button;
  GtkWidget* text_view;
  GtkWidget* dialog;
};

int Channel(double value) { return static_cast<int>(std::lround(value * 255)); }

void PrintColour(const char* name, GtkWidget* widget, GtkStateFlags state, const char* property) {
  // The widget's style in that state, as if the pointer or a press had put it there.
  GtkStyleContext* context = gtk_widget_get_style_context(widget);
  gtk_style_context_save(context);
  gtk_style_context_set_state(context, state);
  GdkRGBA* colour = nullptr;
  gtk_style_context_get(context, state, property, &colour, nullptr);
  gtk_style_context_restore(context);
  if (!colour) return;
  std::printf("style %s %d,%d,%d,%d\n", name, Channel(colour->red), Channel(colour->green),
              Channel(colour->blue), Channel(colour->alpha));
  gdk_rgba_free(colour);
}

void PrintFont(const char* name, GtkWidget* widget) {
  PangoFontDescription* font = nullptr;
  gtk_style_context_get(gtk_widget_get_style_context(widget), GTK_STATE_FLAG_NORMAL, "font", &font,
                        nullptr);
  if (!font) return;
  double pixels = pango_font_description_get_size(font) / static_cast<double>(PANGO_SCALE);
  // GTK keeps CSS pixels as points at its 96 dots per inch.
  if (!pango_font_description_get_size_is_absolute(font)) pixels = pixels * 96 / 72;
  std::printf("style %s.font-family %s\n", name, pango_font_description_get_family(font));
  std::printf("style %s.font-size %.1f\n", name, pixels);
  pango_font_description_free(font);
}

void PrintRect(const char* name, GtkWidget* widget) {
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  int x = 0, y = 0, origin_x = 0, origin_y = 0;
  gtk_widget_translate_coordinates(widget, top, 0, 0, &x, &y);
  gdk_window_get_origin(gtk_widget_get_window(top), &origin_x, &origin_y);
  std::printf("rect %s %d %d %d %d\n", name, origin_x + x, origin_y + y,
              gtk_widget_get_allocated_width(widget), gtk_widget_get_allocated_height(widget));
}

void Report(const Widgets& w) {
  PrintColour("window.background-color", w.window, GTK_STATE_FLAG_NORMAL, "background-color");
  PrintColour("window.color", w.window, GTK_STATE_FLAG_NORMAL, "color");
  PrintColour("button.background-color", w.button, GTK_STATE_FLAG_NORMAL, "background-color");
  PrintColour("button.color", w.button, GTK_STATE_FLAG_NORMAL, "color");
  PrintColour("button.border-color", w.button, GTK_STATE_FLAG_NORMAL, "border-top-color");
  PrintColour("button:hover.background-color", w.button, GTK_STATE_FLAG_PRELIGHT,
              "background-color");
  PrintColour("button:hover.color", w.button, GTK_STATE_FLAG_PRELIGHT, "color");
  PrintColour("button:active.background-color", w.button, GTK_STATE_FLAG_ACTIVE,
              "background-color");
  PrintColour("textview.background-color", w.text_view, GTK_STATE_FLAG_NORMAL, "background-color");
  PrintColour("textview.color", w.text_view, GTK_STATE_FLAG_NORMAL, "color");
  PrintColour("dialog.background-color", w.dialog, GTK_STATE_FLAG_NORMAL, "background-color");
  PrintColour("dialog.color", w.dialog, GTK_STATE_FLAG_NORMAL, "color");
  PrintFont("button", w.button);
  PrintRect("window", w.window);
  PrintRect("button", w.button);
  PrintRect("textview", w.text_view);
  PrintRect("dialog", w.dialog);
  std::printf("ready\n");
  std::fflush(stdout);
}

Widgets Build() {
  Widgets w{};
  w.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(w.window), "skin-check");
  gtk_window_move(GTK_WINDOW(w.window), 40, 40);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 20);
  g_object_set(box, "margin", 30, nullptr);
  gtk_container_add(GTK_CONTAINER(w.window), box);
  w.button = gtk_button_new_with_label("OK");
  gtk_widget_set_size_request(w.button, 160, 60);
  gtk_widget_set_halign(w.button, GTK_ALIGN_START);
  gtk_box_pack_start(GTK_BOX(box), w.button, FALSE, FALSE, 0);
  w.text_view = gtk_text_view_new();
  gtk_widget_set_size_request(w.text_view, 240, 100);
  GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(w.text_view));
  // Blanks, so that the selection shows as a plain band of its colour.
  gtk_text_buffer_set_text(buffer, "                                        ", -1);
  GtkTextIter start, end;
  gtk_text_buffer_get_bounds(buffer, &start, &end);
  gtk_text_buffer_select_range(buffer, &start, &end);
  gtk_box_pack_start(GTK_BOX(box), w.text_view, FALSE, FALSE, 0);
  g_signal_connect(w.window, "destroy", G_CALLBACK(gtk_main_quit), nullptr);

  w.dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_DESTROY_WITH_PARENT, GTK_MESSAGE_OTHER,
                                    GTK_BUTTONS_OK, "message");
  gtk_window_set_title(GTK_WINDOW(w.dialog), "skin-check-dialog");
  gtk_window_move(GTK_WINDOW(w.dialog), 700, 40);
  return w;
}

gboolean ReportWhenDrawn(gpointer data) {
  Report(*static_cast<Widgets*>(data));
  return G_SOURCE_REMOVE;
}

gboolean QuitOnInputEnd(gint fd, GIOCondition, gpointer) {
  char buffer[64];
  if (read(fd, buffer, sizeof buffer) <= 0) {
    gtk_main_quit();
    return G_SOURCE_REMOVE;
  }
  return G_SOURCE_CONTINUE;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: skin_check LIBRARY|- [SKIN_FILE...]\n");
    return 2;
  }
  gtk_init(nullptr, nullptr);
  Widgets widgets = Build();

  if (std::strcmp(argv[1], "-") != 0) {
    void* library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    auto attach =
        library ? reinterpret_cast<AttachEntry>(dlsym(library, "SkinH_AttachEx")) : nullptr;
    if (!attach) {
      std::fprintf(stderr, "no SkinH_AttachEx in %s: %s\n", argv[1], dlerror());
      return 3;
    }
    for (int i = 2; i < argc; ++i) {
      const char* path = std::strcmp(argv[i], "--null") == 0 ? nullptr : argv[i];
      std::printf("attach %d %d\n", i - 1, attach(path, ""));
    }
  }

  gtk_widget_show_all(widgets.window);
  gtk_widget_show_all(widgets.dialog);
  gtk_widget_grab_focus(widgets.text_view);
  // Reported once both are on the screen and drawn.
  g_timeout_add(700, ReportWhenDrawn, &widgets);
  g_unix_fd_add(0, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP), QuitOnInputEnd, nullptr);
  gtk_main();
  return 0;
}
