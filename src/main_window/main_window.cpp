#include "main_window/main_window.h"

#include "main_window/tiles.h"
#include "notice_window/notice_window.h"

namespace main_window {

namespace {
platform::WindowId main_window_id = 0;
}

platform::WindowId Window() { return main_window_id; }

bool Create(void (*created_handler)()) {
  platform::Bindings bindings;
  BindTiles(bindings);
  notice_window::BindBadge(bindings);
  main_window_id = platform::CreateDesignedWindow(Design(), bindings);
  if (main_window_id == 0) return false;
  created_handler();  // run to its end within the creation
  return true;
}

}  // namespace main_window
