#include "app/frame_state.h"

#include "app/frame.h"

namespace app {

FrameState& Frame() {
  static FrameState state;
  return state;
}

namespace testing {
void ResetFrame() { Frame() = FrameState{}; }
int ExitCleanupRuns() { return Frame().exit_cleanup_runs; }
bool EventLoopStarted() { return Frame().event_loop_started; }
}  // namespace testing

}  // namespace app
