#include "remote/fetch_text.h"

#include <algorithm>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "platform/http.h"
#include "remote/handle_guard.h"
#include "remote/read_size.h"

namespace remote {

namespace http = platform::http;

namespace {

// Opened by the first fetch and kept for the run; a failed opening leaves none,
// so the next fetch tries again.
http::Handle client = nullptr;

// The accept list's one entry is a whole header line, as the first client sent it.
constexpr const char* kAcceptTypes[] = {"Accept: */* \r\n", nullptr};
constexpr char kAddedHeaders[] = "Accept: */*\r\n\r\n";
constexpr std::size_t kContentLengthRoom = 32;
constexpr long long kMostReserved = 32 * 1024 * 1024;

// What follows "#" names a place in the page and never goes to the server.
Text RequestPath(const Text& path) { return path.substr(0, path.find('#')); }

std::optional<std::string_view> ContentLength(http::Handle request,
                                              char (&value)[kContentLengthRoom]) {
  std::size_t length = 0;
  if (!http::QueryContentLength(request, value, sizeof value, length)) return std::nullopt;
  return std::string_view(value, length);
}

// Room for the announced body up front: growing to it piece by piece costs a
// copy and fresh pages at every step. The announcement may lie, so it is only a
// hint, and a body that needs more still grows.
void ReserveFor(Text& body, std::optional<std::string_view> content_length) {
  if (!content_length || content_length->size() > kLongestContentLength) return;
  const long long announced = DecimalValue(*content_length);
  if (announced <= 0) return;
  try {
    body.reserve(static_cast<std::size_t>(std::min(announced, kMostReserved)));
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
}

// Reads until a read gives nothing or fails: either way what came is the body,
// the bytes a failing read got before the break included. A body past the
// longest one allowed is no body at all.
Text ReadBody(http::Handle request) {
  char value[kContentLengthRoom];
  const auto content_length = ContentLength(request, value);
  const std::size_t read_size = ReadSize(content_length);
  const auto piece = std::make_unique_for_overwrite<char[]>(read_size);
  Text body;
  ReserveFor(body, content_length);
  for (;;) {
    std::size_t got = 0;
    const bool more = http::Read(request, piece.get(), read_size, got);
    body.append(piece.get(), std::min(got, read_size));
    if (body.size() > kLongestBody) return {};
    if (!more || got == 0) return body;
  }
}

// The text ends before the body's first zero byte.
void CutAtFirstZero(Text& bytes) {
  const auto zero = bytes.find('\0');
  if (zero != Text::npos) bytes.resize(zero);
}

Text Exchange(const Text& url) {
  if (url.empty()) return {};
  Text canonical;
  if (!http::CanonicalizeUrl(url, canonical)) return {};
  http::UrlParts parts;
  if (!http::CrackUrl(canonical, parts)) return {};
  // Only http and https are ever asked for; anything else goes nowhere.
  if (parts.scheme == http::Scheme::Unknown) return {};

  if (!client) client = http::OpenClient(kAgent);
  if (!client) return {};

  // Declared in this order so that the request is closed before its connection.
  const HandleGuard connection(
      http::Connect(client, parts.host, parts.port, parts.user, parts.password));
  if (!connection) return {};
  http::UseSystemProxy(client);
  http::ClearProxyCredentials(connection.get());

  unsigned flags = http::kReload | http::kNoCacheWrite;
  if (parts.scheme == http::Scheme::Https) flags |= http::kSecure;
  const HandleGuard request(http::OpenRequest(connection.get(), "GET", RequestPath(parts.path),
                                              "HTTP/1.0", kAcceptTypes, flags));
  if (!request) return {};
  if (!http::SendRequest(request.get(), kAddedHeaders, sizeof kAddedHeaders - 1)) return {};

  Text body = ReadBody(request.get());
  CutAtFirstZero(body);
  return body;
}

}  // namespace

Text FetchText(const Text& url) {
  // A body too large for memory ends the exchange like any other failure; the
  // guards have closed the handles by the time the exception arrives here.
  try {
    return Exchange(url);
  } catch (const std::bad_alloc&) {
  } catch (const std::length_error&) {
  }
  return {};
}

void CloseClient() {
  if (client) http::Close(client);
  client = nullptr;
}

}  // namespace remote
