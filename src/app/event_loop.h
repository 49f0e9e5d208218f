#pragma once

namespace app {

// Sets the started flag, then takes and dispatches events until the quit
// request; gives its code. Skipped (code 0) when no window of the system exists.
int RunEventLoop();

}  // namespace app
