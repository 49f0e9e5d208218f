// NoticeWindow: the new-version notice, always opened modally, and the badge
// of MainWindow that opens it.
#pragma once

#include "platform/design.h"
#include "platform/ui.h"

namespace notice_window {

const platform::WindowDesign& Design();

// Opens NoticeWindow modally and returns once it has been closed again; an
// opening while it is open only brings it forward and returns at once.
// False when the window cannot be created.
bool OpenModally();

// Binds the badge on MainWindow (the square and its label) to the opening.
void BindBadge(platform::Bindings& bindings);

platform::WindowId Window();

}  // namespace notice_window
