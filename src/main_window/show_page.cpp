#include "app/frame.h"
#include "main_window/main_window.h"
#include "main_window/navigation.h"
#include "platform/event_queue.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace main_window {

namespace {

constexpr const char* kBrowser = "互联网浏览器1";
constexpr const char* kLoadingIndicator = "图片框7";

// Between passes the wait sleeps until the next event or this long, so a page
// that loads for minutes does not keep a processor busy.
constexpr int kWaitSliceMs = 20;

}  // namespace

void ShowPage(const platform::Text& url) {
  platform::BrowserNavigate(Window(), kBrowser, url);
  platform::SetControlVisible(Window(), kLoadingIndicator, true);
  // A browser that is gone (MainWindow closed meanwhile) no longer reads as
  // loading, so the wait ends with it.
  while (platform::BrowserReadyState(Window(), kBrowser) == platform::ReadyState::Loading) {
    app::ProcessPendingEvents();
    platform::WaitForNextEvent(kWaitSliceMs);
  }
  platform::SetControlVisible(Window(), kLoadingIndicator, false);
}

void OpenExternal(const platform::Text& url) { platform::OpenUrl(url); }

}  // namespace main_window
