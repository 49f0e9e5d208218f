// FetchText: the body of the server's answer to a GET of a URL, as text.
#pragma once

#include "platform/text.h"

namespace remote {

using platform::Text;

inline constexpr const char* kAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

// Blocks until the exchange has ended. Empty text on any failure, which the
// caller cannot tell from an empty body; the status code is not looked at.
// The bytes are those of the body up to its first zero byte, unconverted.
Text FetchText(const Text& url);

// Closes the client handle the fetches share; the next fetch opens a new one.
void CloseClient();

}  // namespace remote
