// The desktop shell.
#pragma once

#include "platform/text.h"

namespace platform {

// Opens the URL with the handler registered for its scheme (for http, the
// user's default web browser). Gives no result: failures are not reported.
void OpenUrl(const Text& url);

}  // namespace platform
