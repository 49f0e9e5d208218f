#include "fake_http.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <new>

#include "platform/common/url.h"

namespace platform::http {
struct Object {
  enum class Kind { Client, Connection, Request } kind;
  std::string name;
  bool open = true;
};
}  // namespace platform::http

namespace fake_http {

using platform::http::Handle;
using platform::http::Object;
using Kind = Object::Kind;

namespace {

// Kept until the next reset, so that a closed handle can still be recognised.
std::deque<Object>& Objects() {
  static std::deque<Object> objects;
  return objects;
}

Handle Open(Kind kind, const char* prefix) {
  ++Get().opened;
  Objects().push_back({kind, prefix + std::string("#") + std::to_string(Get().opened)});
  return &Objects().back();
}

// The handle's name for the log; notes any misuse.
std::string Use(Handle handle, Kind kind) {
  if (!handle) {
    Get().misuse.push_back("no handle");
    return "none";
  }
  if (!handle->open) Get().misuse.push_back(handle->name + " used after closing");
  if (handle->kind != kind) Get().misuse.push_back(handle->name + " is of the wrong kind");
  return handle->name;
}

void Log(std::string operation, std::vector<std::string> arguments) {
  Get().calls.push_back({std::move(operation), std::move(arguments)});
}

bool Fails(Fail step) { return Get().exchange.fail == step; }

std::string Flags(unsigned flags) {
  std::string text;
  auto add = [&](unsigned flag, const char* name) {
    if (!(flags & flag)) return;
    text += text.empty() ? "" : "|";
    text += name;
  };
  add(platform::http::kReload, "reload");
  add(platform::http::kNoCacheWrite, "no-cache-write");
  add(platform::http::kSecure, "secure");
  return text;
}

}  // namespace

State& Get() {
  static State state;
  return state;
}

void Reset() {
  Get() = State{};
  Objects().clear();
}

}  // namespace fake_http

namespace platform::http {

using fake_http::Fails;
using fake_http::Get;
using fake_http::Kind;
using fake_http::Log;
using fake_http::Use;

bool CanonicalizeUrl(const Text& url, Text& canonical) {
  Log("CanonicalizeUrl", {url});
  // The first step of every fetch: the next scripted exchange begins.
  auto& state = fake_http::Get();
  state.urls.push_back(url);
  if (!state.next.empty()) {
    state.exchange = state.next.front();
    state.next.pop_front();
  }
  state.piece = 0;
  state.offset = 0;
  return !Fails(fake_http::Fail::Canonicalize) && url::Canonicalize(url, canonical);
}

bool CrackUrl(const Text& url, UrlParts& parts) {
  Log("CrackUrl", {url});
  return !Fails(fake_http::Fail::Crack) && url::Split(url, parts);
}

Handle OpenClient(const Text& agent) {
  Log("OpenClient", {agent});
  return Fails(fake_http::Fail::OpenClient) ? nullptr : fake_http::Open(Kind::Client, "client");
}

Handle Connect(Handle client, const Text& host, int port, const Text& user, const Text& password) {
  Log("Connect", {Use(client, Kind::Client), host, std::to_string(port), user, password});
  return Fails(fake_http::Fail::Connect) ? nullptr
                                         : fake_http::Open(Kind::Connection, "connection");
}

void UseSystemProxy(Handle client) { Log("UseSystemProxy", {Use(client, Kind::Client)}); }

void ClearProxyCredentials(Handle connection) {
  Log("ClearProxyCredentials", {Use(connection, Kind::Connection)});
}

Handle OpenRequest(Handle connection, const Text& verb, const Text& path, const Text& version,
                   const char* const* accept_types, unsigned flags) {
  std::string accept;
  for (auto type = accept_types; type && *type; ++type) accept += "[" + std::string(*type) + "]";
  Log("OpenRequest",
      {Use(connection, Kind::Connection), verb, path, version, accept, fake_http::Flags(flags)});
  return Fails(fake_http::Fail::OpenRequest) ? nullptr : fake_http::Open(Kind::Request, "request");
}

bool SendRequest(Handle request, const char* headers, std::size_t headers_length) {
  Log("SendRequest", {Use(request, Kind::Request), std::string(headers, headers_length),
                      std::to_string(headers_length)});
  return !Fails(fake_http::Fail::Send);
}

// As the Windows client does: the value and its terminator must fit the room.
bool QueryContentLength(Handle request, char* buffer, std::size_t room, std::size_t& length) {
  Log("QueryContentLength", {Use(request, Kind::Request), std::to_string(room)});
  const auto& value = Get().exchange.content_length;
  if (!value) return false;
  if (value->size() + 1 > room) {
    length = value->size() + 1;
    return false;
  }
  std::memcpy(buffer, value->c_str(), value->size() + 1);
  length = value->size();
  return true;
}

bool Read(Handle request, char* buffer, std::size_t size, std::size_t& bytes_read) {
  Log("Read", {Use(request, Kind::Request)});
  Get().read_sizes.push_back(size);
  // Touching the whole buffer lets the sanitizer catch one smaller than its size.
  std::memset(buffer, 0xAB, size);
  bytes_read = 0;
  auto& state = Get();
  const auto& pieces = state.exchange.pieces;
  if (state.piece < pieces.size()) {
    const std::string& piece = pieces[state.piece];
    bytes_read = std::min(size, piece.size() - state.offset);
    std::memcpy(buffer, piece.data() + state.offset, bytes_read);
    state.offset += bytes_read;
    if (state.offset == piece.size()) {
      if (!state.exchange.endless || state.piece + 1 < pieces.size()) ++state.piece;
      state.offset = 0;
    }
    if (bytes_read > 0) return true;
  }
  switch (state.exchange.end) {
    case fake_http::BodyEnd::Complete:
      return true;
    case fake_http::BodyEnd::Broken:
      bytes_read = std::min(size, state.exchange.broken_read_bytes.size());
      std::memcpy(buffer, state.exchange.broken_read_bytes.data(), bytes_read);
      return false;
    case fake_http::BodyEnd::OutOfMemory:
      throw std::bad_alloc();
  }
  return false;
}

void Close(Handle handle) {
  if (!handle) {
    Get().misuse.push_back("closing no handle");
    return;
  }
  Log("Close", {handle->name});
  if (!handle->open) Get().misuse.push_back(handle->name + " closed twice");
  handle->open = false;
  ++Get().closed;
}

}  // namespace platform::http
