// The modal opening and the two ways NoticeWindow closes.
#include <utility>
#include <vector>

#include "app/frame.h"
#include "main_window/main_window.h"
#include "notice_window/notice_handlers.h"
#include "notice_window/notice_window.h"
#include "platform/event_queue.h"

namespace notice_window {

namespace {

struct Opening {
  platform::WindowId window = 0;
  bool closing_requested = false;
  // The windows this opening disabled, each with its enabled state before.
  std::vector<std::pair<platform::WindowId, bool>> disabled;
};

Opening opening;

void DisableOtherWindows() {
  opening.disabled.clear();
  const platform::WindowId main = main_window::Window();
  if (platform::WindowExists(main)) {
    opening.disabled.emplace_back(main, platform::IsWindowEnabled(main));
    platform::SetWindowEnabled(main, false);
  }
}

void RestoreDisabledWindows() {
  for (const auto& [window, was_enabled] : opening.disabled)
    platform::SetWindowEnabled(window, was_enabled);
  opening.disabled.clear();
}

// The marked closing, carried out when its request is taken or when a new
// opening finds it still pending.
void CompleteClosing() {
  opening.closing_requested = false;
  RestoreDisabledWindows();
  platform::DestroyWindow(opening.window);
}

void RunModalWait(platform::WindowId window) {
  while (platform::WindowExists(window)) {
    switch (platform::PeekQueueHead()) {
      case platform::QueueHead::Quit:  // left for the frame's loop
        return;
      case platform::QueueHead::Event:
        platform::DispatchNextEvent();
        break;
      case platform::QueueHead::Empty:
        platform::WaitForNextEvent(-1);
        break;
    }
  }
}

}  // namespace

platform::WindowId Window() { return opening.window; }

void RequestClosing() {
  // The user may have closed the window while the caller waited: then there
  // is nothing left to close.
  if (!platform::WindowExists(opening.window)) return;
  opening.closing_requested = true;
  const platform::WindowId window = opening.window;
  platform::PostTask([window] {
    if (opening.closing_requested && opening.window == window) CompleteClosing();
  });
}

bool OpenModally() {
  if (platform::WindowExists(opening.window)) {
    if (!opening.closing_requested) {
      if (platform::IsWindowMinimized(opening.window)) {
        platform::RestoreWindow(opening.window);
      } else {
        platform::ActivateWindow(opening.window);
      }
      return true;
    }
    CompleteClosing();
  }

  platform::Bindings bindings;
  BindHandlers(bindings);
  bindings.push_back({nullptr, platform::Event::Closing, [] { RestoreDisabledWindows(); }});
  const platform::WindowId window = platform::CreateDesignedWindow(Design(), bindings);
  if (window == 0) return false;
  opening.window = window;
  opening.closing_requested = false;
  FillNotice(window);

  platform::SetWindowVisible(window, true);
  // A backend may run the event loop to paint the window at once, and the
  // user's closing may be taken then: with the window gone, nothing may be
  // left disabled and there is nothing to wait for.
  if (!platform::WindowExists(window)) return true;
  DisableOtherWindows();
  platform::SetActivationTarget(window);
  RunModalWait(window);
  // A newer opening may have taken over the activation in the meantime.
  if (opening.window == window || !platform::WindowExists(opening.window))
    platform::SetActivationTarget(0);
  return true;
}

void BindBadge(platform::Bindings& bindings) {
  for (const char* control : {"图片框9", "透明标签2"})
    bindings.push_back({control, platform::Event::LeftButtonDown, [] { OpenModally(); }});
}

}  // namespace notice_window
