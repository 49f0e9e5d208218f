// Top-level windows built from designs, and the registry that maps ids to them.
#include <gdk/gdkkeysyms.h>

#include <algorithm>
#include <vector>

#include "platform/gtk/first_paint_gtk.h"
#include "platform/gtk/gtk_internal.h"
#include "platform/gtk/text_convert.h"
#include "platform/ui.h"

namespace platform {
namespace gtk {

std::map<WindowId, WindowRecord>& Windows() {
  static std::map<WindowId, WindowRecord> windows;
  return windows;
}

WindowRecord* FindWindow(WindowId id) {
  auto found = Windows().find(id);
  return found == Windows().end() ? nullptr : &found->second;
}

GtkWidget* FindControl(WindowId id, const char* control) {
  WindowRecord* record = FindWindow(id);
  if (!record || !control) return nullptr;
  auto found = record->controls.find(control);
  return found == record->controls.end() ? nullptr : found->second;
}

void RunBinding(WindowId id, const char* control, Event event) {
  WindowRecord* record = FindWindow(id);
  if (!record) return;
  for (const Binding& binding : record->bindings) {
    const bool same_control =
        (binding.control == nullptr && control == nullptr) ||
        (binding.control && control && std::string(binding.control) == control);
    if (same_control && binding.event == event && binding.handler) {
      // The handler may destroy the window and with it the bindings: run a copy.
      const auto handler = binding.handler;
      handler();
      return;
    }
  }
}

void DestroyAllWindows() {
  std::vector<GtkWidget*> windows;
  for (auto& [id, record] : Windows()) windows.push_back(record.window);
  for (GtkWidget* window : windows) gtk_widget_destroy(window);
}

void SetSourceColor(cairo_t* cr, const Color& color) {
  if (color.kind == Color::Kind::ButtonFace) {
    cairo_set_source_rgb(cr, kButtonFace[0], kButtonFace[1], kButtonFace[2]);
  } else {
    cairo_set_source_rgb(cr, color.red / 255.0, color.green / 255.0, color.blue / 255.0);
  }
}

void SetPointer(GtkWidget* widget, Pointer pointer) {
  if (pointer != Pointer::Hand) return;
  g_signal_connect(widget, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer) {
                     GdkCursor* hand =
                         gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer");
                     gdk_window_set_cursor(gtk_widget_get_window(w), hand);
                     if (hand) g_object_unref(hand);
                   }),
                   nullptr);
}

}  // namespace gtk

namespace {

using gtk::WindowRecord;

WindowId next_window_id = 1;

WindowId IdOf(GtkWidget* window) {
  return static_cast<WindowId>(GPOINTER_TO_INT(g_object_get_data(G_OBJECT(window), "tolvane-id")));
}

// The window system's default closing, after the system's own closing handler.
void CloseByUser(WindowId id) {
  WindowRecord* record = gtk::FindWindow(id);
  if (!record || !record->enabled) return;  // a disabled window cannot be closed
  gtk::RunBinding(id, nullptr, Event::Closing);
  if (WindowRecord* still = gtk::FindWindow(id)) gtk_widget_destroy(still->window);
}

gboolean OnDelete(GtkWidget* window, GdkEvent*, gpointer) {
  CloseByUser(IdOf(window));
  return TRUE;
}

gboolean OnKeyPress(GtkWidget* window, GdkEventKey* key, gpointer) {
  // Esc closes the window before any control sees it.
  if (key->keyval == GDK_KEY_Escape) {
    CloseByUser(IdOf(window));
    return TRUE;
  }
  return FALSE;
}

gboolean OnFocusIn(GtkWidget* window, GdkEvent*, gpointer) {
  WindowRecord* record = gtk::FindWindow(IdOf(window));
  if (record && record->design.focus_control) {
    if (GtkWidget* target = gtk::FindControl(record->id, record->design.focus_control)) {
      GtkWidget* focusable = record->browser && target != record->browser &&
                                     gtk_widget_is_ancestor(record->browser, target)
                                 ? record->browser
                                 : target;
      if (!gtk_widget_has_focus(focusable)) gtk_widget_grab_focus(focusable);
    }
  }
  return FALSE;
}

void OnDestroy(GtkWidget* window, gpointer) {
  const WindowId id = IdOf(window);
  if (gtk::Windows().erase(id) == 0) return;
  if (auto listener = gtk::DestroyedListener()) listener();
}

GtkWidget* BuildControl(const ControlDesign& control, GtkWidget** web_view) {
  switch (control.kind) {
    case ControlKind::PictureBox:
      return gtk::CreatePictureBox(control);
    case ControlKind::TransparentLabel:
      return gtk::CreateTransparentLabel(control);
    case ControlKind::GroupBox:
      return gtk::CreateGroupBox(control);
    case ControlKind::WebBrowser:
      return gtk::CreateBrowser(control, web_view);
    case ControlKind::EditBox:
      return gtk::CreateEditBox(control);
    case ControlKind::PushButton:
      return gtk::CreatePushButton(control);
  }
  return nullptr;
}

// Position in the stacking list, front first; unlisted controls go to the back.
std::size_t StackingRank(const WindowDesign& design, const char* name) {
  for (std::size_t i = 0; i < design.stacking.size(); ++i)
    if (std::string(design.stacking[i]) == name) return i;
  return design.stacking.size();
}

bool AnyOtherWindowMapped(WindowId window) {
  for (const auto& [id, record] : gtk::Windows())
    if (id != window && gtk_widget_get_mapped(record.window)) return true;
  return false;
}

void ScreenSize(int& width, int& height) {
  GdkDisplay* display = gdk_display_get_default();
  GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
  if (!monitor) monitor = gdk_display_get_monitor(display, 0);
  GdkRectangle area{0, 0, 0, 0};
  if (monitor) gdk_monitor_get_geometry(monitor, &area);
  width = area.width;
  height = area.height;
}

}  // namespace

WindowId CreateDesignedWindow(const WindowDesign& design, const Bindings& bindings) {
  if (!gdk_display_get_default()) return 0;
  const WindowId id = next_window_id++;
  WindowRecord& record = gtk::Windows()[id];
  record.id = id;
  record.design = design;
  record.bindings = bindings;

  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  record.window = window;
  g_object_set_data(G_OBJECT(window), "tolvane-id", GINT_TO_POINTER(id));
  gtk_window_set_title(GTK_WINDOW(window), gtk::ToUtf8(design.title).c_str());
  gtk_window_set_resizable(GTK_WINDOW(window), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window), GDK_WINDOW_TYPE_HINT_NORMAL);
  if (design.owned_by_invisible_owner && gtk::Owner()) {
    gtk_window_set_transient_for(GTK_WINDOW(window), GTK_WINDOW(gtk::Owner()));
    gtk_window_set_skip_taskbar_hint(GTK_WINDOW(window), TRUE);
  }

  const int client_width = design.outer_width - 2 * gtk::kFrameSide;
  const int client_height = design.outer_height - gtk::kFrameTop - gtk::kFrameBottom;
  // A layout, not a fixed: it keeps the client size whatever its children
  // ask for, and clips a control that runs past the edge, as Windows does.
  GtkWidget* client = gtk_layout_new(nullptr, nullptr);
  gtk_widget_set_size_request(client, client_width, client_height);
  record.client = client;
  gtk_container_add(GTK_CONTAINER(window), client);
  g_signal_connect_data(
      client, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer data) -> gboolean {
        gtk::SetSourceColor(cr, *static_cast<Color*>(data));
        cairo_paint(cr);
        return FALSE;
      }),
      new Color(design.background),
      [](gpointer data, GClosure*) { delete static_cast<Color*>(data); }, GConnectFlags(0));
  gtk_widget_set_app_paintable(client, TRUE);

  // GtkFixed draws and stacks its children in the order they are added, so the
  // controls go in from back to front.
  std::vector<const ControlDesign*> order;
  for (const ControlDesign& control : design.controls) order.push_back(&control);
  std::stable_sort(order.begin(), order.end(), [&](const auto* a, const auto* b) {
    return StackingRank(design, a->name) > StackingRank(design, b->name);
  });
  // Parents are created before their children, whatever the stacking says.
  std::stable_sort(order.begin(), order.end(), [](const auto* a, const auto* b) {
    return (a->parent == nullptr) > (b->parent == nullptr);
  });
  for (const ControlDesign* control : order) {
    GtkWidget* web_view = nullptr;
    GtkWidget* widget = BuildControl(*control, &web_view);
    if (!widget) continue;
    if (web_view) record.browser = web_view;
    gtk_widget_set_size_request(widget, control->width, control->height);
    if (control->parent) {
      gtk_fixed_put(GTK_FIXED(record.controls[control->parent]), widget, control->left,
                    control->top);
    } else {
      gtk_layout_put(GTK_LAYOUT(client), widget, control->left, control->top);
    }
    gtk_widget_set_no_show_all(widget, !control->visible);
    if (control->visible) gtk_widget_show(widget);
    gtk::SetPointer(widget, control->pointer);
    record.controls[control->name] = widget;

    const std::string name = control->name;
    g_object_set_data_full(G_OBJECT(widget), "tolvane-control", g_strdup(control->name), g_free);
    if (control->kind == ControlKind::PictureBox ||
        control->kind == ControlKind::TransparentLabel) {
      g_signal_connect(
          widget, "button-press-event",
          G_CALLBACK(+[](GtkWidget* w, GdkEventButton* button, gpointer data) -> gboolean {
            if (button->type != GDK_BUTTON_PRESS || button->button != 1) return FALSE;
            const WindowId window_id = static_cast<WindowId>(GPOINTER_TO_INT(data));
            const auto* control_name =
                static_cast<const char*>(g_object_get_data(G_OBJECT(w), "tolvane-control"));
            const std::string copy = control_name ? control_name : "";
            gtk::RunBinding(window_id, copy.c_str(), Event::LeftButtonDown);
            return TRUE;
          }),
          GINT_TO_POINTER(id));
    } else if (control->kind == ControlKind::PushButton) {
      g_signal_connect(widget, "clicked", G_CALLBACK(+[](GtkWidget* w, gpointer data) {
                         const WindowId window_id = static_cast<WindowId>(GPOINTER_TO_INT(data));
                         const std::string copy = static_cast<const char*>(
                             g_object_get_data(G_OBJECT(w), "tolvane-control"));
                         gtk::RunBinding(window_id, copy.c_str(), Event::Clicked);
                       }),
                       GINT_TO_POINTER(id));
    }
  }
  gtk_widget_show(client);

  int screen_width = 0, screen_height = 0;
  ScreenSize(screen_width, screen_height);
  // Centred by the outer size; the client area goes where a Windows frame of
  // that size would put it, whatever frame the window manager draws around it.
  gtk_window_set_gravity(GTK_WINDOW(window), GDK_GRAVITY_STATIC);
  gtk_window_move(GTK_WINDOW(window), (screen_width - design.outer_width) / 2 + gtk::kFrameSide,
                  (screen_height - design.outer_height) / 2 + gtk::kFrameTop);

  // A fixed frame: moved and minimized, never resized or maximized.
  g_signal_connect(
      window, "realize", G_CALLBACK(+[](GtkWidget* w, gpointer) {
        GdkWindow* frame = gtk_widget_get_window(w);
        gdk_window_set_functions(
            frame, static_cast<GdkWMFunction>(GDK_FUNC_MOVE | GDK_FUNC_MINIMIZE | GDK_FUNC_CLOSE));
        gdk_window_set_decorations(
            frame, static_cast<GdkWMDecoration>(GDK_DECOR_BORDER | GDK_DECOR_TITLE |
                                                GDK_DECOR_MENU | GDK_DECOR_MINIMIZE));
      }),
      nullptr);
  g_signal_connect(window, "delete-event", G_CALLBACK(OnDelete), nullptr);
  g_signal_connect(window, "key-press-event", G_CALLBACK(OnKeyPress), nullptr);
  g_signal_connect(window, "focus-in-event", G_CALLBACK(OnFocusIn), nullptr);
  g_signal_connect(window, "destroy", G_CALLBACK(OnDestroy), nullptr);
  return id;
}

bool WindowExists(WindowId window) { return gtk::FindWindow(window) != nullptr; }

bool AnySystemWindowExists() { return !gtk::Windows().empty(); }

void SetWindowVisible(WindowId window, bool visible) {
  WindowRecord* record = gtk::FindWindow(window);
  if (!record) return;
  if (visible) {
    const bool first_show = !gtk_widget_get_mapped(record->window);
    gtk_window_present(GTK_WINDOW(record->window));
    // The wait dispatches whatever the main loop holds. Once another window
    // of ours is on the screen that may be a press on it, which must not run
    // here: a modal opening shows its window before it disables the others.
    if (first_show && !AnyOtherWindowMapped(window)) gtk::WaitForFirstPaint(record->window);
  } else {
    gtk_widget_hide(record->window);
  }
}

void SetControlVisible(WindowId window, const char* control, bool visible) {
  GtkWidget* widget = gtk::FindControl(window, control);
  if (!widget) return;
  gtk_widget_set_no_show_all(widget, FALSE);
  gtk_widget_set_visible(widget, visible);
}

bool IsControlVisible(WindowId window, const char* control) {
  GtkWidget* widget = gtk::FindControl(window, control);
  return widget && gtk_widget_get_visible(widget);
}

void SetWindowEnabled(WindowId window, bool enabled) {
  WindowRecord* record = gtk::FindWindow(window);
  if (!record) return;
  record->enabled = enabled;
  gtk_widget_set_sensitive(record->client, enabled);
}

bool IsWindowEnabled(WindowId window) {
  WindowRecord* record = gtk::FindWindow(window);
  return record && record->enabled;
}

bool IsWindowMinimized(WindowId window) {
  WindowRecord* record = gtk::FindWindow(window);
  if (!record) return false;
  GdkWindow* gdk_window = gtk_widget_get_window(record->window);
  return gdk_window && (gdk_window_get_state(gdk_window) & GDK_WINDOW_STATE_ICONIFIED);
}

void RestoreWindow(WindowId window) {
  if (WindowRecord* record = gtk::FindWindow(window))
    gtk_window_deiconify(GTK_WINDOW(record->window));
}

void ActivateWindow(WindowId window) {
  if (WindowRecord* record = gtk::FindWindow(window))
    gtk_window_present(GTK_WINDOW(record->window));
}

namespace {
WindowId activation_target = 0;
}

void SetActivationTarget(WindowId window) {
  activation_target = window;
  for (auto& [id, record] : gtk::Windows()) {
    g_signal_handlers_disconnect_matched(record.window, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr,
                                         &activation_target);
    if (window != 0 && id != window) {
      g_signal_connect(record.window, "focus-in-event",
                       G_CALLBACK(+[](GtkWidget* w, GdkEvent*, gpointer data) -> gboolean {
                         const WindowId target = *static_cast<WindowId*>(data);
                         WindowRecord* self = gtk::FindWindow(IdOf(w));
                         if (self && !self->enabled && target) ActivateWindow(target);
                         return FALSE;
                       }),
                       &activation_target);
    }
  }
}

void DestroyWindow(WindowId window) {
  if (WindowRecord* record = gtk::FindWindow(window)) gtk_widget_destroy(record->window);
}

void SetControlText(WindowId window, const char* control, const Text& text) {
  GtkWidget* widget = gtk::FindControl(window, control);
  if (!widget) return;
  if (GTK_IS_SCROLLED_WINDOW(widget)) {
    GtkWidget* view = gtk_bin_get_child(GTK_BIN(widget));
    if (GTK_IS_TEXT_VIEW(view)) {
      const std::string utf8 = gtk::ToUtf8(text);
      gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), utf8.c_str(),
                               static_cast<int>(utf8.size()));
    }
  } else if (GTK_IS_BUTTON(widget)) {
    gtk_button_set_label(GTK_BUTTON(widget), gtk::ToUtf8(text).c_str());
  }
}

}  // namespace platform
