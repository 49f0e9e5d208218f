// Test driver: MainWindow on the real backend whose created handler shows the
// badge and opens NoticeWindow modally with the notice read from a file (its
// bytes as they are, code page 936), then the frame's loop as usual.
#include <fstream>
#include <iterator>
#include <string>

#include "app/event_loop.h"
#include "app/frame.h"
#include "main_window/main_window.h"
#include "notice_window/notice_window.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace {

std::string notice_file;

void ShowNotice() {
  std::ifstream file(notice_file, std::ios::binary);
  app::ReplaceNoticeText(std::string(std::istreambuf_iterator<char>(file), {}));
  platform::SetWindowVisible(main_window::Window(), true);
  platform::SetControlVisible(main_window::Window(), "图片框9", true);
  platform::SetControlVisible(main_window::Window(), "透明标签2", true);
  notice_window::OpenModally();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) notice_file = argv[1];
  platform::InitializeUiThread();
  platform::CreateOwnerWindow();
  platform::SetWindowDestroyedListener(&app::OnWindowDestroyed);
  if (!main_window::Create(&ShowNotice)) return 2;
  const int code = app::RunEventLoop();
  platform::ReleaseAll();
  return code;
}
