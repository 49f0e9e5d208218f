// NoticeWindow's handlers: the notice shown, and the two ways on.
#include "notice_window/notice_handlers.h"

#include "app/frame.h"
#include "main_window/navigation.h"
#include "remote/hosts.h"

namespace notice_window {

void FillNotice(platform::WindowId window) {
  platform::SetControlText(window, "编辑框1", app::NoticeText().value_or(platform::Text()));
}

void BindHandlers(platform::Bindings& bindings) {
  // Update: the official site opens outside; the notice stays open.
  bindings.push_back({"按钮1", platform::Event::Clicked,
                      [] { main_window::OpenExternal(remote::OfficialRootUrl()); }});
  // Ignore: back to the shop, and the notice closes once the page has loaded.
  bindings.push_back({"按钮2", platform::Event::Clicked, [] {
                        main_window::ShowPage(remote::ShopRootUrl());
                        RequestClosing();
                      }});
}

}  // namespace notice_window
