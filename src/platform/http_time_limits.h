// Time limits of the HTTP client, for diagnostics and tests that cannot wait
// for the backend's own. The program itself never sets them.
#pragma once

namespace platform::http {

// Applies to clients opened afterwards: how long to wait for a connection, and
// how long an answer may stall (headers or body) before the exchange ends.
// 0 keeps the backend's own limit.
void OverrideTimeLimits(int connect_seconds, int stall_seconds);

}  // namespace platform::http
