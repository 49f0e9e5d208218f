// URLs through Canonicalize and Split. Besides crashes it checks what the
// callers rely on: the canonical form is a fixed point, the split's parts fit
// their rooms, and a URL put back together from its parts splits the same.
#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_check.h"
#include "platform/common/url.h"

namespace {

namespace http = platform::http;
using std::string;

bool SameParts(const http::UrlParts& a, const http::UrlParts& b, bool with_path) {
  return a.scheme == b.scheme && a.host == b.host && a.port == b.port && a.user == b.user &&
         a.password == b.password && (!with_path || a.path == b.path);
}

// The scheme as written, without its ":".
string SchemeOf(const string& url) { return url.substr(0, url.find(':')); }

// The URL that names exactly these parts: user information whenever there is
// any, the host in brackets when it holds a colon or starts with one, the
// port whenever there is one.
string Join(const string& scheme, const http::UrlParts& parts) {
  string url = scheme + "://";
  if (!parts.user.empty() || !parts.password.empty()) {
    url += parts.user;
    if (!parts.password.empty()) url += ":" + parts.password;
    url += "@";
  }
  const bool bracketed = parts.host.find(':') != string::npos || parts.host.starts_with('[');
  url += bracketed ? "[" + parts.host + "]" : parts.host;
  if (parts.port != 0) url += ":" + std::to_string(parts.port);
  return url + parts.path;
}

void CheckSplit(const string& url, const http::UrlParts& parts) {
  FUZZ_CHECK(parts.host.size() < http::kHostRoom && parts.path.size() < http::kPathRoom &&
                 parts.user.size() < http::kUserRoom && parts.password.size() < http::kPasswordRoom,
             "every part fits its room with the terminating zero");
  FUZZ_CHECK(!parts.host.empty(), "a split URL has a host");
  FUZZ_CHECK(parts.port >= 0 && parts.port <= 65535, "the port is a port");
  FUZZ_CHECK(parts.port != 0 || parts.scheme == http::Scheme::Unknown,
             "http and https always get a port");
  FUZZ_CHECK(parts.host.find_first_of("/?#@") == string::npos,
             "the host holds nothing of the path or the user information");
  FUZZ_CHECK(parts.user.find(':') == string::npos, "the user name ends at the first colon");
  FUZZ_CHECK(parts.path.empty() || string("/?#").find(parts.path[0]) != string::npos,
             "the path starts where the authority ends");
  FUZZ_CHECK(url.ends_with(parts.path), "the path is the URL's tail, unchanged");

  const string joined = Join(SchemeOf(url), parts);
  http::UrlParts again;
  FUZZ_CHECK(platform::url::Split(joined, again), "the URL made of the parts splits");
  FUZZ_CHECK(SameParts(parts, again, true), "the URL made of the parts gives them back");
}

// The path of a URL with a host, without its query and fragment; nullopt for
// a URL without a host.
std::optional<string> PathOf(const string& url) {
  const std::size_t authority = url.find(':') + 1;
  if (url.compare(authority, 2, "//") != 0) return std::nullopt;
  const std::size_t start = std::min(url.find_first_of("/?#", authority + 2), url.size());
  return url.substr(start, url.find_first_of("?#", start) - start);
}

bool HasDotSegment(const string& path) {
  for (std::size_t start = 0; start <= path.size();) {
    const std::size_t end = std::min(path.find('/', start), path.size());
    const string segment = path.substr(start, end - start);
    if (segment == "." || segment == "..") return true;
    start = end + 1;
  }
  return false;
}

void CheckCanonical(const string& url, const string& canonical) {
  const std::size_t scheme_length = url.find(':');
  FUZZ_CHECK(canonical.size() > scheme_length && canonical[scheme_length] == ':',
             "the canonical form keeps the scheme");
  for (std::size_t at = 0; at < scheme_length; ++at) {
    FUZZ_CHECK(canonical[at] == std::tolower(static_cast<unsigned char>(url[at])),
               "the scheme is the same in lower case");
  }
  FUZZ_CHECK(canonical.size() <= url.size() + 1,
             "resolving dot segments never lengthens; only an empty path becomes \"/\"");

  if (const auto path = PathOf(canonical)) {
    FUZZ_CHECK(path->starts_with('/'), "a URL with a host has at least the path \"/\"");
    FUZZ_CHECK(!HasDotSegment(*path), "no dot segment is left in the path");
  } else {
    FUZZ_CHECK(canonical.substr(canonical.find(':')) == url.substr(url.find(':')),
               "a URL without a host keeps all but its scheme's case");
  }

  string twice = "untouched";
  FUZZ_CHECK(platform::url::Canonicalize(canonical, twice), "a canonical URL is canonicalized");
  FUZZ_CHECK(twice == canonical, "canonicalizing a canonical URL gives it back unchanged");

  // What FetchText does: split the canonical form. Up to the path both forms
  // are the same bytes, so they name the same server.
  http::UrlParts original, resolved;
  const bool original_ok = platform::url::Split(url, original);
  const bool resolved_ok = platform::url::Split(canonical, resolved);
  if (original_ok && resolved_ok) {
    FUZZ_CHECK(SameParts(original, resolved, false), "canonicalizing keeps the server");
  } else if (original_ok) {
    const std::size_t path_start = url.size() - original.path.size();
    FUZZ_CHECK(canonical.size() - path_start >= http::kPathRoom,
               "the canonical form splits too, unless its path outgrew its room");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const string url(reinterpret_cast<const char*>(data), size);

  string canonical = "untouched";
  if (platform::url::Canonicalize(url, canonical)) {
    CheckCanonical(url, canonical);
  } else {
    FUZZ_CHECK(canonical == "untouched", "a failed canonicalization writes nothing");
  }

  http::UrlParts parts;
  parts.host = "untouched";
  if (platform::url::Split(url, parts)) {
    CheckSplit(url, parts);
  } else {
    FUZZ_CHECK(parts.host == "untouched" && parts.port == 0, "a failed split writes nothing");
  }
  return 0;
}
