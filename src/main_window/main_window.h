// MainWindow: the design, its creation and the window the handlers act on.
#pragma once

#include "platform/design.h"
#include "platform/ui.h"

namespace main_window {

const platform::WindowDesign& Design();

// The created handler.
void StartupSequence();

// Creates MainWindow from its design; its created handler (StartupSequence
// unless a test driver brings its own) has run to its end when this returns.
// False when it cannot be created.
bool Create(void (*created_handler)() = &StartupSequence);

platform::WindowId Window();

}  // namespace main_window
