// The HTTP primitives on libcurl. A client is a cookie store shared by all of
// its requests; a connection only remembers where to go (as the Windows client's
// does, it touches no network); a request is one curl transfer, driven through
// the multi interface so that the body can be handed out as it arrives.
#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/common/url.h"
#include "platform/gtk/curl_transfer.h"
#include "platform/http.h"
#include "platform/http_time_limits.h"

namespace platform::http {

struct Object {
  virtual ~Object() = default;
};

namespace {

// A server that sends nothing for this long, or cannot be reached within the
// connect limit, ends the exchange. libcurl's own defaults would wait forever.
int connect_limit_seconds = 15;
int stall_limit_seconds = 30;

struct Client : Object {
  ~Client() override { curl_share_cleanup(share); }
  std::string agent;
  CURLSH* share = nullptr;  // the run's one cookie store
  int connect_seconds = 0;
  int stall_seconds = 0;
};

struct Connection : Object {
  Client* client = nullptr;
  std::string host;
  int port = 0;
  std::string user;
  std::string password;
};

struct Request : Object {
  gtk::CurlTransfer transfer;
};

template <class Kind>
Kind* As(Handle handle) {
  return dynamic_cast<Kind*>(handle);
}

bool InitializeCurlOnce() {
  static const bool ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  return ready;
}

std::string Address(const Connection& connection, const std::string& path, bool secure) {
  std::string host = connection.host;
  if (host.find(':') != std::string::npos) host = "[" + host + "]";
  return (secure ? "https://" : "http://") + host + ":" + std::to_string(connection.port) +
         (path.empty() ? "/" : path);
}

}  // namespace

void OverrideTimeLimits(int connect_seconds, int stall_seconds) {
  if (connect_seconds > 0) connect_limit_seconds = connect_seconds;
  if (stall_seconds > 0) stall_limit_seconds = stall_seconds;
}

bool CanonicalizeUrl(const Text& url, Text& canonical) { return url::Canonicalize(url, canonical); }

bool CrackUrl(const Text& url, UrlParts& parts) { return url::Split(url, parts); }

Handle OpenClient(const Text& agent) {
  if (!InitializeCurlOnce()) return nullptr;
  CURLSH* share = curl_share_init();
  if (!share) return nullptr;
  auto* client = new Client;
  client->share = share;
  client->agent = agent;
  client->connect_seconds = connect_limit_seconds;
  client->stall_seconds = stall_limit_seconds;
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
  curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
  return client;
}

Handle Connect(Handle client, const Text& host, int port, const Text& user, const Text& password) {
  auto* owner = As<Client>(client);
  if (!owner || host.empty()) return nullptr;
  auto* connection = new Connection;
  connection->client = owner;
  connection->host = host;
  connection->port = port;
  connection->user = user;
  connection->password = password;
  return connection;
}

// libcurl takes the proxy from http_proxy, https_proxy and no_proxy, which is
// how Linux configures one for the whole system; without them it goes direct.
void UseSystemProxy(Handle) {}

// libcurl sends no proxy credentials unless given some, or the proxy's address
// in the environment carries them.
void ClearProxyCredentials(Handle) {}

Handle OpenRequest(Handle connection, const Text& verb, const Text& path, const Text& version,
                   const char* const*, unsigned flags) {
  // libcurl has no list of accepted media types: the Accept header comes from
  // the header block the request is sent with.
  const auto* target = As<Connection>(connection);
  if (!target) return nullptr;
  const Client& client = *target->client;
  auto* request = new Request;
  gtk::CurlRequestSetup setup;
  setup.url = Address(*target, path, (flags & kSecure) != 0);
  setup.verb = verb;
  setup.http_1_0 = version == "HTTP/1.0";
  setup.agent = client.agent;
  setup.user = target->user;
  setup.password = target->password;
  setup.no_cache = (flags & kReload) != 0;
  setup.share = client.share;
  setup.connect_seconds = client.connect_seconds;
  setup.stall_seconds = client.stall_seconds;
  if (!request->transfer.Prepare(setup)) {
    delete request;
    return nullptr;
  }
  return request;
}

bool SendRequest(Handle request, const char* headers, std::size_t headers_length) {
  auto* exchange = As<Request>(request);
  return exchange && exchange->transfer.Start(std::string_view(headers, headers_length));
}

bool QueryContentLength(Handle request, char* buffer, std::size_t room, std::size_t& length) {
  const auto* exchange = As<Request>(request);
  if (!exchange || !exchange->transfer.content_length()) return false;
  const std::string& value = *exchange->transfer.content_length();
  if (value.size() + 1 > room) {
    length = value.size() + 1;
    return false;
  }
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  length = value.size();
  return true;
}

bool Read(Handle request, char* buffer, std::size_t size, std::size_t& bytes_read) {
  bytes_read = 0;
  auto* exchange = As<Request>(request);
  return exchange && exchange->transfer.Read(buffer, size, bytes_read);
}

void Close(Handle handle) { delete handle; }

}  // namespace platform::http
