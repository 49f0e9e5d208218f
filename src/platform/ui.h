// Windows and controls built from designs, and what the system does to them.
#pragma once

#include "platform/design.h"
#include "platform/text.h"

namespace platform {

// 0 is no window; ids are never reused, so a stale id simply finds nothing.
using WindowId = int;

// Creates the window hidden and centred on the whole screen, with its controls
// in their stacking order. Gives 0 when the window cannot be created. The
// caller runs the window's created handler itself, before anything else.
WindowId CreateDesignedWindow(const WindowDesign& design, const Bindings& bindings);

bool WindowExists(WindowId window);
bool AnySystemWindowExists();  // the invisible owner does not count

// Visible on the window shows and activates it.
void SetWindowVisible(WindowId window, bool visible);
void SetControlVisible(WindowId window, const char* control, bool visible);
bool IsControlVisible(WindowId window, const char* control);

void SetWindowEnabled(WindowId window, bool enabled);
bool IsWindowEnabled(WindowId window);
bool IsWindowMinimized(WindowId window);
void RestoreWindow(WindowId window);
void ActivateWindow(WindowId window);
// While set, activating any disabled window of the system activates this one.
void SetActivationTarget(WindowId window);
void DestroyWindow(WindowId window);

void SetControlText(WindowId window, const char* control, const Text& text);

enum class ReadyState { Uninitialized = 0, Loading = 1, Loaded = 2, Interactive = 3, Complete = 4 };

void BrowserNavigate(WindowId window, const char* control, const Text& url);
// A browser that no longer exists reads as Uninitialized, which ends any wait.
ReadyState BrowserReadyState(WindowId window, const char* control);

enum class MessageBoxStyle {
  FatalError,           // stop icon, one OK button, no owner
  TaskModalInformation  // no icon, one OK button, blocks every window of the program
};
void ShowMessageBox(const Text& text, const Text& caption, MessageBoxStyle style);

}  // namespace platform
