#pragma once

#include "platform/design.h"
#include "platform/ui.h"

namespace notice_window {

// The created handler: the notice into the edit box.
void FillNotice(platform::WindowId window);
// Binds the two buttons.
void BindHandlers(platform::Bindings& bindings);
// Marks NoticeWindow as closing and queues its destruction.
void RequestClosing();

}  // namespace notice_window
