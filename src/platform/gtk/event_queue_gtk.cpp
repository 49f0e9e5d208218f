// The event queue on the GLib main context. The quit request is a flag of
// ours that stands at the head of the queue once posted, as WM_QUIT does for
// the code that looks at it.
#include <glib.h>

#include <optional>

#include "platform/event_queue.h"

namespace platform {

namespace {
std::optional<int> quit_code;
}

QueueHead PeekQueueHead() {
  if (quit_code) return QueueHead::Quit;
  return g_main_context_pending(nullptr) ? QueueHead::Event : QueueHead::Empty;
}

void DispatchNextEvent() { g_main_context_iteration(nullptr, FALSE); }

void WaitForNextEvent(int timeout_ms) {
  if (quit_code) return;
  // GLib cannot wait without dispatching what wakes it; whatever is dispatched
  // here is what the caller's next pass would have dispatched anyway.
  guint timer = 0;
  if (timeout_ms >= 0)
    timer = g_timeout_add(
        static_cast<guint>(timeout_ms), [](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
  if (timer && g_main_context_pending(nullptr)) {
    g_source_remove(timer);
    return;
  }
  g_main_context_iteration(nullptr, TRUE);
  if (timer) {
    if (GSource* source = g_main_context_find_source_by_id(nullptr, timer))
      g_source_destroy(source);
  }
}

void DoIdleWork() {}

void PostQuit(int code) { quit_code = code; }

int TakeQuit() {
  const int code = quit_code.value_or(0);
  quit_code.reset();
  return code;
}

void PostTask(std::function<void()> task) {
  auto* queued = new std::function<void()>(std::move(task));
  g_idle_add_full(
      G_PRIORITY_DEFAULT,
      [](gpointer data) {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      queued, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

}  // namespace platform
