// A scripted stand-in for the platform: an in-memory event queue, windows
// that are only records, and a log of what the system asked for.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/design.h"
#include "platform/ui.h"

namespace fake {

using platform::Text;
using platform::WindowId;

// Thrown by ExitProcess so a test can see the exit code.
struct ProcessExit {
  int code;
};

struct Window {
  platform::WindowDesign design;
  platform::Bindings bindings;
  bool visible = false;
  bool enabled = true;
  bool minimized = false;
  std::map<std::string, bool> control_visible;
  std::map<std::string, Text> control_text;
};

struct MessageBox {
  Text text;
  Text caption;
  platform::MessageBoxStyle style;
};

struct QueueEntry {
  std::function<void()> event;  // empty: the quit request
  int quit_code = 0;
};

struct State {
  std::map<WindowId, Window> windows;
  WindowId next_id = 1;
  bool fail_creation = false;
  std::deque<QueueEntry> queue;
  int dispatched = 0;
  int waits = 0;
  std::vector<std::string> calls;  // platform calls worth checking the order of
  std::vector<MessageBox> message_boxes;
  std::vector<Text> navigations;
  std::vector<Text> opened_urls;
  std::function<platform::ReadyState()> ready_state;  // empty: Complete
  Text program_path = "/opt/tolvane/tolvane";
  char separator = '/';
  Text working_directory;
  void (*destroyed_listener)() = nullptr;
  WindowId activation_target = 0;
  // Runs when the loop would block on an empty queue; a test scripts the user.
  std::function<void()> when_idle;
  // Showing a window first dispatches what is queued, as a backend that
  // paints a new window at once through its event loop may.
  bool showing_dispatches = false;

  // The skin library: where it loads from, and whether it has the entry.
  std::vector<Text> library_locations = {"SkinH_EL.dll"};  // where a library loads
  bool library_has_entry = true;
  std::vector<Text> library_attempts;  // every path tried, in order
  bool library_unloaded = false;
  std::vector<std::pair<Text, Text>> skin_attached;  // (skin path, second text)

  // Settings files in memory: file -> "section/key" -> value, names as given.
  std::map<Text, std::map<Text, Text>> settings;
  std::vector<Text> settings_reads;
  std::vector<Text> settings_writes;
  bool settings_writable = true;

  Text desktop_directory = "/home/user/Desktop/";
  std::vector<std::pair<Text, Text>> shortcuts;  // (path, target)
};

State& Get();
void Reset();

// Queues an event as the window system would.
void Queue(std::function<void()> event);
void QueueQuit(int code);

// Pressing a control runs its binding as the window system would.
void Press(WindowId window, const char* control, platform::Event event);

// The user closes the window (close box, Alt+F4, Esc): its closing handler,
// then the window system's default closing.
void CloseByUser(WindowId window);

}  // namespace fake
