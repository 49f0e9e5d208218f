// The HTTP client primitives FetchText drives, one for each operation of the
// Windows Internet client (WinINet) it was designed on. The Linux backend gives
// them the same meaning on libcurl.
#pragma once

#include <cstddef>

#include "platform/text.h"

namespace platform::http {

// An open client, connection or request. Each backend defines what it is.
struct Object;
using Handle = Object*;  // nullptr: none

enum class Scheme { Unknown, Http, Https };

// Rooms of the split's components in bytes, the terminating zero included: a
// component fits when it is at most one byte shorter.
inline constexpr std::size_t kHostRoom = 256;
inline constexpr std::size_t kPathRoom = 2048;
inline constexpr std::size_t kUserRoom = 128;
inline constexpr std::size_t kPasswordRoom = 128;

struct UrlParts {
  Scheme scheme = Scheme::Unknown;
  Text host;
  int port = 0;  // the scheme's default when the URL names none
  Text user;
  Text password;
  Text path;  // with the query and anything from "#" on
};

// Request flags.
inline constexpr unsigned kReload = 1u << 0;        // the answer comes from the server itself
inline constexpr unsigned kNoCacheWrite = 1u << 1;  // and is stored in no cache
inline constexpr unsigned kSecure = 1u << 2;        // over TLS

// Resolves the dot segments of the path; escapes nothing and decodes nothing.
bool CanonicalizeUrl(const Text& url, Text& canonical);
// Fails when a component does not fit its room.
bool CrackUrl(const Text& url, UrlParts& parts);

// A client for direct access, working synchronously.
Handle OpenClient(const Text& agent);
Handle Connect(Handle client, const Text& host, int port, const Text& user, const Text& password);
// Requests made through the client go through the system's configured proxy.
void UseSystemProxy(Handle client);
// The connection gives the proxy no user name and password of its own.
void ClearProxyCredentials(Handle connection);

// accept_types ends with nullptr.
Handle OpenRequest(Handle connection, const Text& verb, const Text& path, const Text& version,
                   const char* const* accept_types, unsigned flags);
// Sends the request with the added header block and no body; returns once the
// answer's headers have arrived, or the exchange has failed.
bool SendRequest(Handle request, const char* headers, std::size_t headers_length);
// The Content-Length header's value, zero-terminated, into a buffer of room
// bytes; length gets the value's length. Fails when there is no such header or
// the value does not fit.
bool QueryContentLength(Handle request, char* buffer, std::size_t room, std::size_t& length);
// Up to size bytes of the body. bytes_read is 0 at its end; false when the
// transfer has broken off, with bytes_read still counting what this read got
// before the break.
bool Read(Handle request, char* buffer, std::size_t size, std::size_t& bytes_read);
void Close(Handle handle);

}  // namespace platform::http
