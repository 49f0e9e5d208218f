#include "main_window/main_window.h"

namespace main_window {

void StartupSequence() { platform::SetWindowVisible(Window(), true); }

}  // namespace main_window
