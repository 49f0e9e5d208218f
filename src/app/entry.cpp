#include "app/event_loop.h"
#include "app/frame.h"
#include "app/frame_state.h"
#include "main_window/main_window.h"
#include "platform/process.h"
#include "platform/program_paths.h"
#include "remote/fetch_text.h"

namespace app {

int RunProgram() {
  platform::InitializeUiThread();
  platform::SetWorkingDirectory(platform::ProgramDirectory());
  platform::CreateOwnerWindow();
  platform::SetWindowDestroyedListener(&OnWindowDestroyed);

  Frame().notice_text.reset();
  Frame().exit_routine = &ExitCleanup;

  if (!main_window::Create()) FatalStop("载入启动窗口失败", 0);

  const int quit_code = RunEventLoop();

  if (auto routine = Frame().exit_routine) {
    Frame().exit_routine = nullptr;
    routine();
  }
  remote::CloseClient();
  platform::ReleaseAll();
  return quit_code;
}

}  // namespace app
