#include "fake_platform.h"

#include <cctype>

#include "platform/desktop.h"
#include "platform/event_queue.h"
#include "platform/process.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "platform/skin_library.h"

namespace fake {

State& Get() {
  static State state;
  return state;
}

void Reset() { Get() = State{}; }

void Queue(std::function<void()> event) { Get().queue.push_back({std::move(event), 0}); }

void QueueQuit(int code) { Get().queue.push_back({nullptr, code}); }

namespace {
void RunBinding(WindowId window, const char* control, platform::Event event) {
  auto found = Get().windows.find(window);
  if (found == Get().windows.end() || !found->second.enabled) return;
  for (const auto& binding : found->second.bindings) {
    const bool same = control ? binding.control && std::string(binding.control) == control
                              : binding.control == nullptr;
    if (binding.event == event && same) {
      const auto handler = binding.handler;
      handler();
      return;
    }
  }
}
}  // namespace

void Press(WindowId window, const char* control, platform::Event event) {
  RunBinding(window, control, event);
}

void CloseByUser(WindowId window) {
  if (!Get().windows.count(window) || !Get().windows[window].enabled) return;
  RunBinding(window, nullptr, platform::Event::Closing);
  platform::DestroyWindow(window);
}

}  // namespace fake

namespace platform {

using fake::Get;

// process.h
void InitializeUiThread() { Get().calls.push_back("InitializeUiThread"); }
void CreateOwnerWindow() { Get().calls.push_back("CreateOwnerWindow"); }
void ReleaseAll() { Get().calls.push_back("ReleaseAll"); }
void ExitProcess(int code) { throw fake::ProcessExit{code}; }
Text ProgramPath() { return Get().program_path; }
char PathSeparator() { return Get().separator; }
void SetWorkingDirectory(const Text& directory) {
  Get().calls.push_back("SetWorkingDirectory");
  Get().working_directory = directory;
}
void SetWindowDestroyedListener(void (*listener)()) { Get().destroyed_listener = listener; }

// event_queue.h
QueueHead PeekQueueHead() {
  if (Get().queue.empty()) return QueueHead::Empty;
  return Get().queue.front().event ? QueueHead::Event : QueueHead::Quit;
}

void DispatchNextEvent() {
  if (Get().queue.empty() || !Get().queue.front().event) return;
  auto event = std::move(Get().queue.front().event);
  Get().queue.pop_front();
  ++Get().dispatched;
  event();
}

void WaitForNextEvent(int timeout_ms) {
  ++Get().waits;
  if (timeout_ms >= 0) return;  // a short wait between passes of a busy handler
  if (Get().queue.empty() && Get().when_idle) {
    auto script = std::move(Get().when_idle);
    Get().when_idle = nullptr;
    script();
  }
  // Nothing will ever come: end the run rather than hang the test.
  if (Get().queue.empty()) fake::QueueQuit(99);
}

void DoIdleWork() {}

void PostQuit(int code) { fake::QueueQuit(code); }

int TakeQuit() {
  const int code = Get().queue.front().quit_code;
  Get().queue.pop_front();
  return code;
}

void PostTask(std::function<void()> task) { fake::Queue(std::move(task)); }

// skin_library.h
Text SkinLibraryFileName() { return "SkinH_EL.dll"; }

bool BindSkinLibrary(const Text& first_path, const Text& file_name, const char*) {
  Get().calls.push_back("BindSkinLibrary");
  for (const Text& attempt : {first_path, file_name}) {
    Get().library_attempts.push_back(attempt);
    for (const Text& location : Get().library_locations) {
      if (location != attempt) continue;
      if (!Get().library_has_entry) Get().library_unloaded = true;
      return Get().library_has_entry;
    }
  }
  return false;
}

std::int32_t AttachSkin(const Text& skin_path, const Text& second) {
  Get().skin_attached.emplace_back(skin_path, second);
  return 1;
}

// settings.h: names matched as the real files match them, ignoring case.
namespace {
Text SettingKey(const Text& section, const Text& key) {
  Text joined = section + "/" + key;
  for (char& c : joined) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return joined;
}
}  // namespace

Text ReadSetting(const Text& file, const Text& section, const Text& key) {
  Get().calls.push_back("ReadSetting");
  Get().settings_reads.push_back(file);
  auto found = Get().settings.find(file);
  if (found == Get().settings.end()) return Text();
  auto value = found->second.find(SettingKey(section, key));
  return value == found->second.end() ? Text() : value->second;
}

bool WriteSetting(const Text& file, const Text& section, const Text& key, const Text& value) {
  Get().calls.push_back("WriteSetting");
  Get().settings_writes.push_back(file);
  if (!Get().settings_writable) return false;
  Get().settings[file][SettingKey(section, key)] = value;
  return true;
}

// desktop.h
Text DesktopDirectory() { return Get().desktop_directory; }

bool CreateShortcut(const Text& path, const Text& target) {
  Get().calls.push_back("CreateShortcut");
  Get().shortcuts.emplace_back(path, target);
  return true;
}

// shell.h
void OpenUrl(const Text& url) { Get().opened_urls.push_back(url); }

// ui.h
WindowId CreateDesignedWindow(const WindowDesign& design, const Bindings& bindings) {
  Get().calls.push_back(std::string("CreateDesignedWindow ") + design.name);
  if (Get().fail_creation) return 0;
  const WindowId id = Get().next_id++;
  fake::Window& window = Get().windows[id];
  window.design = design;
  window.bindings = bindings;
  for (const auto& control : design.controls)
    window.control_visible[control.name] = control.visible;
  return id;
}

bool WindowExists(WindowId window) { return Get().windows.count(window) != 0; }

bool AnySystemWindowExists() { return !Get().windows.empty(); }

void SetWindowVisible(WindowId window, bool visible) {
  if (auto found = Get().windows.find(window); found != Get().windows.end())
    found->second.visible = visible;
  if (visible && Get().showing_dispatches)
    while (PeekQueueHead() == QueueHead::Event) DispatchNextEvent();
}

void SetControlVisible(WindowId window, const char* control, bool visible) {
  if (auto found = Get().windows.find(window); found != Get().windows.end())
    found->second.control_visible[control] = visible;
}

bool IsControlVisible(WindowId window, const char* control) {
  auto found = Get().windows.find(window);
  return found != Get().windows.end() && found->second.control_visible[control];
}

void SetWindowEnabled(WindowId window, bool enabled) {
  if (auto found = Get().windows.find(window); found != Get().windows.end())
    found->second.enabled = enabled;
}

bool IsWindowEnabled(WindowId window) {
  auto found = Get().windows.find(window);
  return found != Get().windows.end() && found->second.enabled;
}

bool IsWindowMinimized(WindowId window) {
  auto found = Get().windows.find(window);
  return found != Get().windows.end() && found->second.minimized;
}

void RestoreWindow(WindowId window) {
  if (auto found = Get().windows.find(window); found != Get().windows.end())
    found->second.minimized = false;
  Get().calls.push_back("RestoreWindow");
}

void ActivateWindow(WindowId) { Get().calls.push_back("ActivateWindow"); }

void SetActivationTarget(WindowId window) { Get().activation_target = window; }

void DestroyWindow(WindowId window) {
  if (Get().windows.erase(window) && Get().destroyed_listener) Get().destroyed_listener();
}

void SetControlText(WindowId window, const char* control, const Text& text) {
  if (auto found = Get().windows.find(window); found != Get().windows.end())
    found->second.control_text[control] = text;
}

void BrowserNavigate(WindowId, const char*, const Text& url) { Get().navigations.push_back(url); }

ReadyState BrowserReadyState(WindowId window, const char*) {
  if (!WindowExists(window)) return ReadyState::Uninitialized;
  return Get().ready_state ? Get().ready_state() : ReadyState::Complete;
}

void ShowMessageBox(const Text& text, const Text& caption, MessageBoxStyle style) {
  Get().message_boxes.push_back({text, caption, style});
}

}  // namespace platform
