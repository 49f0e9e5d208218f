// What the frame holds for the whole run.
#pragma once

#include <optional>

#include "platform/text.h"

namespace app {

struct FrameState {
  std::optional<platform::Text> notice_text;
  void (*exit_routine)() = nullptr;
  bool event_loop_started = false;
  int exit_cleanup_runs = 0;
};

FrameState& Frame();

}  // namespace app
