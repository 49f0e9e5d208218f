#include "app/event_loop.h"

#include "app/frame.h"
#include "app/frame_state.h"
#include "platform/event_queue.h"
#include "platform/ui.h"

namespace app {

void ProcessPendingEvents() {
  for (;;) {
    switch (platform::PeekQueueHead()) {
      case platform::QueueHead::Empty:
      case platform::QueueHead::Quit:  // left queued for the event loop
        return;
      case platform::QueueHead::Event:
        platform::DispatchNextEvent();
        break;
    }
  }
}

void OnWindowDestroyed() {
  if (platform::AnySystemWindowExists()) return;
  // Before the loop has begun nothing is posted: the loop is then skipped.
  if (Frame().event_loop_started) platform::PostQuit(0);
}

int RunEventLoop() {
  Frame().event_loop_started = true;
  if (!platform::AnySystemWindowExists()) return 0;
  for (;;) {
    switch (platform::PeekQueueHead()) {
      case platform::QueueHead::Quit:
        return platform::TakeQuit();
      case platform::QueueHead::Event:
        platform::DispatchNextEvent();
        break;
      case platform::QueueHead::Empty:
        platform::DoIdleWork();
        platform::WaitForNextEvent(-1);
        break;
    }
  }
}

}  // namespace app
