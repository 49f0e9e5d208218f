// What the GTK backend's files share: the registry of the system's windows.
#pragma once

#include <gtk/gtk.h>

#include <map>
#include <string>

#include "platform/design.h"
#include "platform/ui.h"

namespace platform::gtk {

// The Windows frame that a fixed-frame window with a caption gets around its
// client area. On Linux the window manager draws its own frame, so the client
// area is sized as this frame would leave it and every control keeps its place.
inline constexpr int kFrameSide = 3;
inline constexpr int kFrameTop = 26;  // caption (23) and the top frame
inline constexpr int kFrameBottom = 3;

// COLOR_BTNFACE of current Windows.
inline constexpr double kButtonFace[3] = {240 / 255.0, 240 / 255.0, 240 / 255.0};

struct WindowRecord {
  WindowId id = 0;
  GtkWidget* window = nullptr;
  GtkWidget* client = nullptr;  // the GtkFixed of the client area
  WindowDesign design;
  Bindings bindings;
  std::map<std::string, GtkWidget*> controls;  // by control name
  GtkWidget* browser = nullptr;                // the WebKitWebView, if any
  bool enabled = true;
};

std::map<WindowId, WindowRecord>& Windows();
WindowRecord* FindWindow(WindowId id);
GtkWidget* FindControl(WindowId id, const char* control);
void RunBinding(WindowId id, const char* control, Event event);
void DestroyAllWindows();

GtkWidget*& Owner();
void (*&DestroyedListener())();

std::string ExecutablePathUtf8();
std::string AssetPath(const char* name);
void InstallProgramIcon();
void UnloadLibraries();

// Builders of the controls, one file each.
GtkWidget* CreatePictureBox(const ControlDesign& design);
GtkWidget* CreateTransparentLabel(const ControlDesign& design);
GtkWidget* CreateGroupBox(const ControlDesign& design);
GtkWidget* CreateBrowser(const ControlDesign& design, GtkWidget** web_view);
GtkWidget* CreateEditBox(const ControlDesign& design);
GtkWidget* CreatePushButton(const ControlDesign& design);

void SetPointer(GtkWidget* widget, Pointer pointer);
void SetSourceColor(cairo_t* cr, const Color& color);

}  // namespace platform::gtk
