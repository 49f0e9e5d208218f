#include <string>

#include "app/frame.h"
#include "app/frame_state.h"
#include "platform/process.h"
#include "platform/ui.h"

namespace app {

Text FatalStopBoxText(const Text& message, int code) {
  Text box = "运行时出错!\r\n\r\n";
  if (code != 0) box += "错误代码：" + std::to_string(code) + "\r\n\r\n";
  if (!message.empty()) box += "错误信息：" + message + "\r\n";
  return box;
}

void FatalStop(const Text& message, int code) {
  platform::ShowMessageBox(FatalStopBoxText(message, code), "错误",
                           platform::MessageBoxStyle::FatalError);
  Frame().exit_routine = nullptr;
  platform::ReleaseAll();
  platform::ExitProcess(-1);
}

}  // namespace app
