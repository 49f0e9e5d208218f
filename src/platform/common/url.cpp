#include "platform/common/url.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace platform::url {

namespace {

using std::string;

bool IsAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The length of "scheme:" at the start of url, 0 when there is none.
std::size_t SchemeEnd(const string& url) {
  if (url.empty() || !IsAlpha(url[0])) return 0;
  for (std::size_t at = 1; at < url.size(); ++at) {
    const char c = url[at];
    if (c == ':') return at + 1;
    if (!IsAlpha(c) && !IsDigit(c) && c != '+' && c != '-' && c != '.') return 0;
  }
  return 0;
}

string Lower(string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

void DropLastSegment(string& output) {
  const auto slash = output.rfind('/');
  output.erase(slash == string::npos ? 0 : slash);
}

// Single and double dot segments resolved from left to right; ".." never
// climbs above the root.
string RemoveDotSegments(string input) {
  string output;
  while (!input.empty()) {
    if (input.starts_with("../")) {
      input.erase(0, 3);
    } else if (input.starts_with("./")) {
      input.erase(0, 2);
    } else if (input.starts_with("/./")) {
      input.erase(0, 2);
    } else if (input == "/.") {
      input = "/";
    } else if (input.starts_with("/../")) {
      input.erase(0, 3);
      DropLastSegment(output);
    } else if (input == "/..") {
      input = "/";
      DropLastSegment(output);
    } else if (input == "." || input == "..") {
      input.clear();
    } else {
      const auto next = input.find('/', input[0] == '/' ? 1 : 0);
      output += input.substr(0, next);
      input.erase(0, next);
    }
  }
  return output;
}

bool Fits(const string& component, std::size_t room) { return component.size() < room; }

}  // namespace

bool Canonicalize(const string& url, string& canonical) {
  const std::size_t scheme_end = SchemeEnd(url);
  if (scheme_end == 0) return false;
  canonical = Lower(url.substr(0, scheme_end));
  if (url.compare(scheme_end, 2, "//") != 0) {  // no host, so no path to resolve
    canonical += url.substr(scheme_end);
    return true;
  }
  const std::size_t path_start = url.find_first_of("/?#", scheme_end + 2);
  if (path_start == string::npos) {
    canonical += url.substr(scheme_end) + "/";
    return true;
  }
  const std::size_t path_end = std::min(url.find_first_of("?#", path_start), url.size());
  canonical += url.substr(scheme_end, path_start - scheme_end);
  const string path = url.substr(path_start, path_end - path_start);
  canonical += path.empty() ? "/" : RemoveDotSegments(path);
  canonical += url.substr(path_end);
  return true;
}

bool Split(const string& url, http::UrlParts& parts) {
  const std::size_t scheme_end = SchemeEnd(url);
  if (scheme_end == 0 || url.compare(scheme_end, 2, "//") != 0) return false;
  http::UrlParts split;
  const string scheme = Lower(url.substr(0, scheme_end - 1));
  if (scheme == "http") {
    split.scheme = http::Scheme::Http;
    split.port = 80;
  } else if (scheme == "https") {
    split.scheme = http::Scheme::Https;
    split.port = 443;
  }

  const std::size_t authority_start = scheme_end + 2;
  const std::size_t path_start = std::min(url.find_first_of("/?#", authority_start), url.size());
  string authority = url.substr(authority_start, path_start - authority_start);
  split.path = url.substr(path_start);

  if (const auto at = authority.rfind('@'); at != string::npos) {
    const string user_info = authority.substr(0, at);
    const auto colon = user_info.find(':');
    split.user = user_info.substr(0, colon);
    if (colon != string::npos) split.password = user_info.substr(colon + 1);
    authority.erase(0, at + 1);
  }

  // A bracketed IPv6 address holds colons of its own; the port follows the "]".
  std::size_t host_end = authority.size();
  string port;
  if (authority.starts_with('[')) {
    const auto close = authority.find(']');
    if (close == string::npos) return false;
    split.host = authority.substr(1, close - 1);
    host_end = close + 1;
    if (host_end < authority.size() && authority[host_end] != ':') return false;
  } else {
    host_end = std::min(authority.find(':'), authority.size());
    split.host = authority.substr(0, host_end);
  }
  if (host_end < authority.size()) port = authority.substr(host_end + 1);
  if (split.host.empty()) return false;
  if (!port.empty()) {
    if (port.size() > 5) return false;
    int value = 0;
    for (char c : port) {
      if (!IsDigit(c)) return false;
      value = value * 10 + (c - '0');
    }
    if (value < 1 || value > 65535) return false;
    split.port = value;
  }

  if (!Fits(split.host, http::kHostRoom) || !Fits(split.path, http::kPathRoom) ||
      !Fits(split.user, http::kUserRoom) || !Fits(split.password, http::kPasswordRoom))
    return false;
  parts = std::move(split);
  return true;
}

}  // namespace platform::url
