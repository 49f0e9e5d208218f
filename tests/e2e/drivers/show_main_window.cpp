// Test driver: MainWindow from its design on the real backend, with the
// controls named on the command line shown ("badge", "indicator"), so their
// look can be checked on the screen without the start-up sequence.
#include <string>

#include "app/event_loop.h"
#include "app/frame.h"
#include "main_window/main_window.h"
#include "platform/process.h"
#include "platform/ui.h"

int main(int argc, char** argv) {
  platform::InitializeUiThread();
  platform::CreateOwnerWindow();
  platform::SetWindowDestroyedListener(&app::OnWindowDestroyed);
  const platform::WindowId window = platform::CreateDesignedWindow(main_window::Design(), {});
  if (window == 0) return 2;
  platform::SetWindowVisible(window, true);
  for (int i = 1; i < argc; ++i) {
    const std::string what = argv[i];
    if (what == "badge") {
      platform::SetControlVisible(window, "图片框9", true);
      platform::SetControlVisible(window, "透明标签2", true);
    } else if (what == "indicator") {
      platform::SetControlVisible(window, "图片框7", true);
    }
  }
  const int code = app::RunEventLoop();
  platform::ReleaseAll();
  return code;
}
