// The HTTP primitives on the Windows Internet client (WinINet), one call each,
// with the arguments the system has always given them.
#include <windows.h>
#include <wininet.h>

#include <cstring>
#include <vector>

#include "platform/http.h"
#include "platform/http_time_limits.h"

namespace platform::http {

namespace {

// WinINet's own handle serves as ours; Object is never defined.
HINTERNET Native(Handle handle) { return reinterpret_cast<HINTERNET>(handle); }
Handle Ours(HINTERNET handle) { return reinterpret_cast<Handle>(handle); }

// 0: WinINet's own limits, which the program keeps.
DWORD connect_timeout_ms = 0;
DWORD receive_timeout_ms = 0;

void SetTimeout(HINTERNET handle, DWORD option, DWORD milliseconds) {
  if (milliseconds) InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds);
}

// Set on every handle: not every WinINet passes the client's limits down to
// its connections and requests (Wine does not).
HINTERNET WithTimeLimits(HINTERNET handle) {
  if (handle) {
    SetTimeout(handle, INTERNET_OPTION_CONNECT_TIMEOUT, connect_timeout_ms);
    SetTimeout(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, receive_timeout_ms);
  }
  return handle;
}

}  // namespace

void OverrideTimeLimits(int connect_seconds, int stall_seconds) {
  if (connect_seconds > 0) connect_timeout_ms = static_cast<DWORD>(connect_seconds) * 1000;
  if (stall_seconds > 0) receive_timeout_ms = static_cast<DWORD>(stall_seconds) * 1000;
}

bool CanonicalizeUrl(const Text& url, Text& canonical) {
  DWORD length = static_cast<DWORD>(url.size()) * 3 + 16;
  std::vector<char> buffer(length);
  if (!InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &length, ICU_NO_ENCODE)) {
    // length now holds the size needed, terminator included.
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return false;
    buffer.resize(length + 1);
    length = static_cast<DWORD>(buffer.size());
    if (!InternetCanonicalizeUrlA(url.c_str(), buffer.data(), &length, ICU_NO_ENCODE)) return false;
  }
  canonical.assign(buffer.data(), length);
  return true;
}

bool CrackUrl(const Text& url, UrlParts& parts) {
  char host[kHostRoom];
  char path[kPathRoom];
  char user[kUserRoom];
  char password[kPasswordRoom];
  URL_COMPONENTSA components{};
  components.dwStructSize = sizeof components;
  components.lpszHostName = host;
  components.dwHostNameLength = sizeof host;
  components.lpszUrlPath = path;  // no extra-info buffer: the query stays in the path
  components.dwUrlPathLength = sizeof path;
  components.lpszUserName = user;
  components.dwUserNameLength = sizeof user;
  components.lpszPassword = password;
  components.dwPasswordLength = sizeof password;
  if (!InternetCrackUrlA(url.c_str(), 0, 0, &components)) return false;
  parts.scheme = components.nScheme == INTERNET_SCHEME_HTTP    ? Scheme::Http
                 : components.nScheme == INTERNET_SCHEME_HTTPS ? Scheme::Https
                                                               : Scheme::Unknown;
  parts.host.assign(host, components.dwHostNameLength);
  parts.port = components.nPort;
  parts.user.assign(user, components.dwUserNameLength);
  parts.password.assign(password, components.dwPasswordLength);
  parts.path.assign(path, components.dwUrlPathLength);
  return true;
}

Handle OpenClient(const Text& agent) {
  return Ours(
      WithTimeLimits(InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0)));
}

Handle Connect(Handle client, const Text& host, int port, const Text& user, const Text& password) {
  return Ours(WithTimeLimits(InternetConnectA(Native(client), host.c_str(),
                                              static_cast<INTERNET_PORT>(port), user.c_str(),
                                              password.c_str(), INTERNET_SERVICE_HTTP, 0, 0)));
}

void UseSystemProxy(Handle client) {
  INTERNET_PROXY_INFO proxy{};
  proxy.dwAccessType = INTERNET_OPEN_TYPE_PRECONFIG;
  InternetSetOptionA(Native(client), INTERNET_OPTION_PROXY, &proxy, sizeof proxy);
}

void ClearProxyCredentials(Handle connection) {
  char empty[] = "";
  InternetSetOptionA(Native(connection), INTERNET_OPTION_PROXY_USERNAME, empty, 1);
  InternetSetOptionA(Native(connection), INTERNET_OPTION_PROXY_PASSWORD, empty, 1);
}

Handle OpenRequest(Handle connection, const Text& verb, const Text& path, const Text& version,
                   const char* const* accept_types, unsigned flags) {
  DWORD native_flags = 0;
  if (flags & kReload) native_flags |= INTERNET_FLAG_RELOAD;
  if (flags & kNoCacheWrite) native_flags |= INTERNET_FLAG_NO_CACHE_WRITE;
  if (flags & kSecure) native_flags |= INTERNET_FLAG_SECURE;
  return Ours(WithTimeLimits(HttpOpenRequestA(Native(connection), verb.c_str(), path.c_str(),
                                              version.c_str(), nullptr,
                                              const_cast<LPCSTR*>(accept_types), native_flags, 0)));
}

bool SendRequest(Handle request, const char* headers, std::size_t headers_length) {
  return HttpSendRequestA(Native(request), headers, static_cast<DWORD>(headers_length), nullptr,
                          0) != FALSE;
}

bool QueryContentLength(Handle request, char* buffer, std::size_t room, std::size_t& length) {
  DWORD size = static_cast<DWORD>(room);
  if (!HttpQueryInfoA(Native(request), HTTP_QUERY_CONTENT_LENGTH, buffer, &size, nullptr))
    return false;
  length = size;
  return true;
}

bool Read(Handle request, char* buffer, std::size_t size, std::size_t& bytes_read) {
  // A read that fails on a time-out still counts the bytes it had received.
  DWORD read = 0;
  const bool ok = InternetReadFile(Native(request), buffer, static_cast<DWORD>(size), &read);
  bytes_read = read <= size ? read : size;
  return ok;
}

void Close(Handle handle) { InternetCloseHandle(Native(handle)); }

}  // namespace platform::http
