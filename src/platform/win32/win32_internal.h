// What the Win32 backend's files share: the registry of the system's windows,
// text conversion at the Win32 boundary and the builders of the controls.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <cstddef>
#include <map>
#include <string>

#include "platform/design.h"
#include "platform/ui.h"

namespace platform::win32 {

// Lets the skin library go at the end of the run.
void UnloadSkinLibrary();

// Registers a class of our own controls (arrow pointer) unless it is already.
bool RegisterControlClass(const wchar_t* name, WNDPROC procedure, HBRUSH background = nullptr);

// The system's texts are code page 936 bytes; Windows gets UTF-16 so that they
// read the same whatever the ANSI code page of the machine.
std::wstring ToWide(const Text& text);
Text FromWide(const std::wstring& text);

// Child window ids: the control's place in its design's table plus this.
inline constexpr int kFirstControlId = 100;

// Private messages of the owner window.
inline constexpr UINT kRunTaskMessage = WM_APP + 1;         // lParam: std::function<void()>*
inline constexpr UINT kActivateTargetMessage = WM_APP + 2;  // brings the activation target up

struct WindowRecord {
  WindowId id = 0;
  HWND hwnd = nullptr;
  WindowDesign design;
  Bindings bindings;
  std::map<std::string, HWND> controls;  // by control name
  HBRUSH background = nullptr;
  bool dialog_keys = false;  // Tab and Enter move between its buttons
};

std::map<WindowId, WindowRecord>& Windows();
WindowRecord* FindRecord(WindowId id);
WindowRecord* RecordOf(HWND top_level);
HWND FindControl(WindowId id, const char* control);
// The design of the control that hwnd is, and the window it belongs to.
const ControlDesign* ControlOf(HWND hwnd, WindowId* window);
void RunBinding(WindowId id, const char* control, Event event);
void RunControlBinding(HWND control, Event event);
// The close box, Alt+F4 and Esc: the Closing binding, then destruction.
void CloseByUser(WindowId id);
void ActivateTarget();
void DestroyAllWindows();

// Esc, the browser's own keys and dialog keys, before translation and dispatch.
bool PreTranslate(MSG& message);

HWND& Owner();
// Runs and frees a task that PostTask queued.
void RunTask(LPARAM task);
void (*&DestroyedListener())();
HINSTANCE Instance();

COLORREF ToColorRef(const Color& color);
HBRUSH CreateBrushFor(const Color& color);
HFONT DefaultGuiFont();
// Children keep out of each other's way when they overlap.
inline constexpr DWORD kChildStyle = WS_CHILD | WS_CLIPSIBLINGS;

// The program's images are resources of the executable, named by asset name.
bool LoadAsset(const char* name, const std::byte** data, std::size_t* size);

// Builders of the controls, one file each. Each gives nullptr on failure.
HWND CreatePictureBox(HWND parent, const ControlDesign& design, int id);
HWND CreateTransparentLabel(HWND parent, const ControlDesign& design, int id);
HWND CreateGroupBox(HWND parent, const ControlDesign& design, int id);
HWND CreateBrowserHost(HWND parent, const ControlDesign& design, int id);
HWND CreateEditBox(HWND parent, const ControlDesign& design, int id);
HWND CreatePushButton(HWND parent, const ControlDesign& design, int id);

// The hand pointer over a control whose design asks for it.
bool SetPointer(LPARAM hit_and_message, Pointer pointer);

// The browser's in-place window, which takes the focus meant for the browser.
HWND BrowserFocusWindow(HWND host);
bool BrowserTranslateAccelerator(MSG& message);

void ShutdownImages();

}  // namespace platform::win32
