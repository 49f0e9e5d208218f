// The embedded browser: a WebKitWebView inside a raised three-dimensional
// border, with WebKit's loading state standing for the ready state.
#include <webkit2/webkit2.h>

#include <string>

#include "platform/gtk/gtk_internal.h"
#include "platform/gtk/text_convert.h"
#include "platform/gtk/web_sandbox_gtk.h"
#include "platform/ui.h"

namespace platform {

namespace gtk {

namespace {

constexpr int kBorder = 3;  // the width of a dialog-modal frame

gboolean DrawRaisedBorder(GtkWidget* widget, cairo_t* cr, gpointer) {
  const double w = gtk_widget_get_allocated_width(widget);
  const double h = gtk_widget_get_allocated_height(widget);
  SetSourceColor(cr, Color::ButtonFace());
  cairo_paint(cr);
  cairo_set_line_width(cr, 1);
  // Outer edge: light top and left, dark bottom and right.
  cairo_set_source_rgb(cr, 227 / 255.0, 227 / 255.0, 227 / 255.0);
  cairo_move_to(cr, 0.5, h - 1);
  cairo_line_to(cr, 0.5, 0.5);
  cairo_line_to(cr, w - 1, 0.5);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 105 / 255.0, 105 / 255.0, 105 / 255.0);
  cairo_move_to(cr, 0, h - 0.5);
  cairo_line_to(cr, w - 0.5, h - 0.5);
  cairo_line_to(cr, w - 0.5, 0);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_move_to(cr, 1.5, h - 2);
  cairo_line_to(cr, 1.5, 1.5);
  cairo_line_to(cr, w - 2, 1.5);
  cairo_stroke(cr);
  cairo_set_source_rgb(cr, 160 / 255.0, 160 / 255.0, 160 / 255.0);
  cairo_move_to(cr, 1, h - 1.5);
  cairo_line_to(cr, w - 1.5, h - 1.5);
  cairo_line_to(cr, w - 1.5, 1);
  cairo_stroke(cr);
  return FALSE;
}

// Silent: nothing of WebKit's own reaches the user. Script dialogs are
// dismissed (a confirm is declined, a prompt gets no text), permission requests denied and
// requests for credentials cancelled.
void MakeSilent(WebKitWebView* web_view) {
  g_signal_connect(
      web_view, "script-dialog",
      G_CALLBACK(+[](WebKitWebView*, WebKitScriptDialog* dialog, gpointer) -> gboolean {
        switch (webkit_script_dialog_get_dialog_type(dialog)) {
          case WEBKIT_SCRIPT_DIALOG_CONFIRM:
            webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
            break;
          case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
            // Leaving the page is never held up by a question.
            webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
            break;
          default:
            break;
        }
        return TRUE;
      }),
      nullptr);
  g_signal_connect(
      web_view, "permission-request",
      G_CALLBACK(+[](WebKitWebView*, WebKitPermissionRequest* request, gpointer) -> gboolean {
        webkit_permission_request_deny(request);
        return TRUE;
      }),
      nullptr);
  g_signal_connect(
      web_view, "authenticate",
      G_CALLBACK(+[](WebKitWebView*, WebKitAuthenticationRequest* request, gpointer) -> gboolean {
        webkit_authentication_request_cancel(request);
        return TRUE;
      }),
      nullptr);
}

// The browser shows pages and saves nothing: a download a page starts (an
// attachment, a link with "download") is cancelled before any file is made.
void RefuseDownloads(WebKitWebView* web_view) {
  static bool connected = false;  // the one web context of the process
  if (connected) return;
  connected = true;
  g_signal_connect(webkit_web_view_get_context(web_view), "download-started",
                   G_CALLBACK(+[](WebKitWebContext*, WebKitDownload* download, gpointer) {
                     webkit_download_cancel(download);
                   }),
                   nullptr);
}

}  // namespace

GtkWidget* CreateBrowser(const ControlDesign& design, GtkWidget** web_view_out) {
  GtkWidget* frame = gtk_fixed_new();
  gtk_widget_set_has_window(frame, TRUE);
  gtk_widget_set_app_paintable(frame, TRUE);
  g_signal_connect(frame, "draw", G_CALLBACK(DrawRaisedBorder), nullptr);

  EnableWebSandboxWhereAvailable();
  GtkWidget* web_view = webkit_web_view_new();
  WebKitSettings* settings = webkit_web_view_get_settings(WEBKIT_WEB_VIEW(web_view));
  // Xvfb and many virtual machines have no usable GPU.
  webkit_settings_set_hardware_acceleration_policy(settings,
                                                   WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  // Offline has no WebKit counterpart (and would keep live pages from loading);
  // RegisterAsBrowser has none either. Dropped links and files load in the view,
  // which is WebKit's own behaviour.
  if (design.browser.silent) MakeSilent(WEBKIT_WEB_VIEW(web_view));
  RefuseDownloads(WEBKIT_WEB_VIEW(web_view));
  gtk_widget_set_size_request(web_view, design.width - 2 * kBorder, design.height - 2 * kBorder);
  gtk_fixed_put(GTK_FIXED(frame), web_view, kBorder, kBorder);
  gtk_widget_set_can_focus(web_view, TRUE);
  gtk_widget_show(web_view);
  g_object_set_data(G_OBJECT(web_view), "tolvane-navigated", GINT_TO_POINTER(0));
  *web_view_out = web_view;
  return frame;
}

}  // namespace gtk

void BrowserNavigate(WindowId window, const char* /*control*/, const Text& url) {
  gtk::WindowRecord* record = gtk::FindWindow(window);
  if (!record || !record->browser) return;
  std::string address = gtk::ToUtf8(url);
  // WebKit does not complete an address without a scheme; the Windows control
  // loads it as the http address of that host.
  if (!address.empty() && address.find("://") == std::string::npos) address = "http://" + address;
  g_object_set_data(G_OBJECT(record->browser), "tolvane-navigated", GINT_TO_POINTER(1));
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(record->browser), address.c_str());
}

ReadyState BrowserReadyState(WindowId window, const char* /*control*/) {
  gtk::WindowRecord* record = gtk::FindWindow(window);
  if (!record || !record->browser) return ReadyState::Uninitialized;
  if (!g_object_get_data(G_OBJECT(record->browser), "tolvane-navigated"))
    return ReadyState::Uninitialized;
  return webkit_web_view_is_loading(WEBKIT_WEB_VIEW(record->browser)) ? ReadyState::Loading
                                                                      : ReadyState::Complete;
}

}  // namespace platform
