// Turns WebKit's web-process sandbox on, where the system can run it.
#pragma once

namespace platform::gtk {

void EnableWebSandboxWhereAvailable();

}  // namespace platform::gtk
