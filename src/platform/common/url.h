// The canonical form and the split of a URL, as the Windows Internet client
// makes them, for backends whose HTTP client has neither.
#pragma once

#include <string>

#include "platform/http.h"

namespace platform::url {

// The scheme in lower case, the dot segments of the path resolved and "/" for
// the empty path of an address with a host. Nothing is escaped or decoded.
// Fails on text that does not begin with a scheme.
bool Canonicalize(const std::string& url, std::string& canonical);

// Scheme, host, port (the scheme's default when none is given), user name,
// password, and the path with its query and fragment. Fails when there is no
// host, the port is not a number from 1 to 65535, or a component does not fit
// the room http.h gives it.
bool Split(const std::string& url, http::UrlParts& parts);

}  // namespace platform::url
