// MainWindow: the design, its creation and the window the handlers act on.
#pragma once

#include "platform/design.h"
#include "platform/ui.h"

namespace main_window {

const platform::WindowDesign& Design();

// Creates MainWindow from its design; its created handler, StartupSequence,
// has run to its end when this returns. False when it cannot be created.
bool Create();

platform::WindowId Window();

// The created handler.
void StartupSequence();

}  // namespace main_window
