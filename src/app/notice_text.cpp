#include "app/frame.h"
#include "app/frame_state.h"

namespace app {

const std::optional<Text>& NoticeText() { return Frame().notice_text; }

void ReplaceNoticeText(Text text) { Frame().notice_text = std::move(text); }

void ExitCleanup() {
  ++Frame().exit_cleanup_runs;
  Frame().notice_text.reset();
}

}  // namespace app
