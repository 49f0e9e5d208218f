#pragma once

#include "platform/design.h"

namespace main_window {

// Binds each tile's press to its handler.
void BindTiles(platform::Bindings& bindings);

}  // namespace main_window
