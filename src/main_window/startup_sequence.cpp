// The created handler of MainWindow: skin, window, first-run shortcut, and the
// shop's status deciding how the start ends.
#include "app/frame.h"
#include "main_window/main_window.h"
#include "main_window/navigation.h"
#include "notice_window/notice_window.h"
#include "platform/desktop.h"
#include "platform/process.h"
#include "platform/program_paths.h"
#include "platform/settings.h"
#include "platform/skin_library.h"
#include "platform/ui.h"
#include "remote/fetch_text.h"
#include "remote/hosts.h"

namespace main_window {

namespace {

using platform::Text;

constexpr const char* kSkinFile = "skin.she";
constexpr const char* kSkinEntry = "SkinH_AttachEx";
constexpr const char* kSettingsFile = "pz.ini";
constexpr const char* kFirstRunSection = "kj";
constexpr const char* kFirstRunKey = "kj";
constexpr const char* kShortcutName = "Tolvane（九块九包邮购）";
constexpr const char* kNetworkMessage = "当前网络不通畅或数据服务器正在维护中……";

Text InProgramDirectory(const char* name) {
  return platform::ProgramDirectory() + platform::PathSeparator() + name;
}

void AttachSkin() {
  const Text library = platform::SkinLibraryFileName();
  if (!platform::BindSkinLibrary(InProgramDirectory(library.c_str()), library, kSkinEntry)) {
    app::FatalStop("无法找到指定DLL库文件“" + library + "”中的输出命令“" + kSkinEntry + "”", 0);
  }
  platform::AttachSkin(InProgramDirectory(kSkinFile), Text());
}

void MakeFirstRunShortcut() {
  const Text settings = InProgramDirectory(kSettingsFile);
  if (!platform::ReadSetting(settings, kFirstRunSection, kFirstRunKey).empty()) return;
  platform::CreateShortcut(platform::DesktopDirectory() + kShortcutName,
                           InProgramDirectory(platform::ProgramFileName().c_str()));
  // Written whatever became of the shortcut, so no later start tries again.
  platform::WriteSetting(settings, kFirstRunSection, kFirstRunKey, "1");
}

void CheckStatus() {
  if (remote::FetchText(remote::StatusFileUrl()) == "yes") {
    ShowPage(remote::ShopBareHost());
    return;
  }
  // A second, fresh request: the file may have changed since the first.
  if (remote::FetchText(remote::StatusFileUrl()) == "no") {
    app::ReplaceNoticeText(remote::FetchText(remote::NoticeFileUrl()));
    platform::SetControlVisible(Window(), "图片框9", true);
    platform::SetControlVisible(Window(), "透明标签2", true);
    notice_window::OpenModally();
  } else {
    platform::ShowMessageBox(kNetworkMessage, "信息：",
                             platform::MessageBoxStyle::TaskModalInformation);
  }
}

}  // namespace

void StartupSequence() {
  AttachSkin();
  platform::SetWindowVisible(Window(), true);
  MakeFirstRunShortcut();
  CheckStatus();
}

}  // namespace main_window
