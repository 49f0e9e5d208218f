#include "platform/gtk/curl_transfer.h"

#include <algorithm>
#include <cstring>

namespace platform::gtk {

namespace {

constexpr long kMostRedirects = 10;
constexpr long kReceiveBuffer = 102400;  // as big as FetchText's largest read
constexpr int kPollMilliseconds = 1000;
// Arrived but unread bytes beyond this pause the transfer until they are read,
// so that a large body streams through a small buffer instead of piling up.
constexpr std::size_t kMostPending = kReceiveBuffer;

std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return {};
  const auto last = text.find_last_not_of(" \t\r\n");
  return text.substr(first, last - first + 1);
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

// An answer after which libcurl sends another request of the same exchange.
bool IsInterim(long code, bool has_location) {
  if (code >= 100 && code < 200) return true;
  const bool followed = code == 301 || code == 302 || code == 303 || code == 307 || code == 308;
  return followed && has_location;
}

}  // namespace

CurlTransfer::~CurlTransfer() {
  if (multi_) {
    curl_multi_remove_handle(multi_, easy_);
    curl_multi_cleanup(multi_);
  }
  if (easy_) curl_easy_cleanup(easy_);
  curl_slist_free_all(headers_);
}

bool CurlTransfer::Prepare(const CurlRequestSetup& setup) {
  easy_ = curl_easy_init();
  if (!easy_) return false;
  no_cache_ = setup.no_cache;
  bool ok = curl_easy_setopt(easy_, CURLOPT_URL, setup.url.c_str()) == CURLE_OK;
  // The caller has resolved the dot segments already; the rest goes as it is.
  curl_easy_setopt(easy_, CURLOPT_PATH_AS_IS, 1L);
  if (setup.verb == "GET")
    curl_easy_setopt(easy_, CURLOPT_HTTPGET, 1L);
  else
    curl_easy_setopt(easy_, CURLOPT_CUSTOMREQUEST, setup.verb.c_str());
  curl_easy_setopt(easy_, CURLOPT_HTTP_VERSION,
                   setup.http_1_0 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(easy_, CURLOPT_USERAGENT, setup.agent.c_str());
  if (!setup.user.empty()) curl_easy_setopt(easy_, CURLOPT_USERNAME, setup.user.c_str());
  if (!setup.password.empty()) curl_easy_setopt(easy_, CURLOPT_PASSWORD, setup.password.c_str());
  curl_easy_setopt(easy_, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(easy_, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy_, CURLOPT_MAXREDIRS, kMostRedirects);
  // An empty file name switches the cookie engine on without reading a file;
  // the share keeps the cookies for every request of the client.
  curl_easy_setopt(easy_, CURLOPT_SHARE, setup.share);
  curl_easy_setopt(easy_, CURLOPT_COOKIEFILE, "");
  if (setup.connect_seconds > 0)
    curl_easy_setopt(easy_, CURLOPT_CONNECTTIMEOUT, static_cast<long>(setup.connect_seconds));
  if (setup.stall_seconds > 0) {
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy_, CURLOPT_LOW_SPEED_TIME, static_cast<long>(setup.stall_seconds));
  }
  curl_easy_setopt(easy_, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(easy_, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy_, CURLOPT_BUFFERSIZE, kReceiveBuffer);
  curl_easy_setopt(easy_, CURLOPT_HEADERFUNCTION, &CurlTransfer::OnHeader);
  curl_easy_setopt(easy_, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy_, CURLOPT_WRITEFUNCTION, &CurlTransfer::OnBody);
  curl_easy_setopt(easy_, CURLOPT_WRITEDATA, this);
  return ok;
}

bool CurlTransfer::Start(std::string_view header_block) {
  if (!easy_ || multi_) return false;
  for (std::size_t at = 0; at < header_block.size();) {
    auto end = header_block.find('\n', at);
    if (end == std::string_view::npos) end = header_block.size();
    const auto line = Trimmed(header_block.substr(at, end - at));
    if (!line.empty()) headers_ = curl_slist_append(headers_, std::string(line).c_str());
    at = end + 1;
  }
  // What the Windows client sends when told to take the answer from the server.
  if (no_cache_) {
    headers_ = curl_slist_append(headers_, "Pragma: no-cache");
    headers_ = curl_slist_append(headers_, "Cache-Control: no-cache");
  }
  curl_easy_setopt(easy_, CURLOPT_HTTPHEADER, headers_);

  multi_ = curl_multi_init();
  if (!multi_ || curl_multi_add_handle(multi_, easy_) != CURLM_OK) return false;
  DriveUntil([this] { return headers_done_; });
  return headers_done_ || (done_ && result_ == CURLE_OK);
}

bool CurlTransfer::Read(char* buffer, std::size_t size, std::size_t& bytes_read) {
  bytes_read = 0;
  if (!multi_) return false;
  if (!HasPending()) {
    if (paused_) {
      paused_ = false;
      curl_easy_pause(easy_, CURLPAUSE_CONT);  // may hand over the held-back bytes at once
    }
    DriveUntil([this] { return HasPending(); });
  }
  if (HasPending()) {
    bytes_read = std::min(size, pending_.size() - pending_at_);
    std::memcpy(buffer, pending_.data() + pending_at_, bytes_read);
    pending_at_ += bytes_read;
    if (!HasPending()) {
      pending_.clear();
      pending_at_ = 0;
    }
    return true;
  }
  return result_ == CURLE_OK;  // the end of the body, or a broken transfer
}

template <class Ready>
void CurlTransfer::DriveUntil(Ready ready) {
  while (!done_) {
    int running = 0;
    if (curl_multi_perform(multi_, &running) != CURLM_OK) {
      done_ = true;
      result_ = CURLE_RECV_ERROR;
      return;
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(multi_, &queued)) {
      if (message->msg != CURLMSG_DONE) continue;
      done_ = true;
      result_ = message->data.result;
    }
    if (done_ || ready()) return;
    if (running == 0) {  // cannot happen without a message; never spin on it
      done_ = true;
      result_ = CURLE_RECV_ERROR;
      return;
    }
    curl_multi_poll(multi_, nullptr, 0, kPollMilliseconds, nullptr);
  }
}

std::size_t CurlTransfer::OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
  try {
    static_cast<CurlTransfer*>(self)->HeaderLine(std::string_view(data, size * count));
  } catch (...) {
    return 0;  // no exception may cross libcurl; out of memory ends the transfer
  }
  return size * count;
}

void CurlTransfer::HeaderLine(std::string_view line) {
  if (line.starts_with("HTTP/")) {  // a new answer: whatever came before was not the final one
    block_has_location_ = false;
    block_content_length_.reset();
    pending_.clear();
    pending_at_ = 0;
    return;
  }
  const auto text = Trimmed(line);
  if (text.empty()) {
    long code = 0;
    curl_easy_getinfo(easy_, CURLINFO_RESPONSE_CODE, &code);
    if (!IsInterim(code, block_has_location_)) {
      headers_done_ = true;
      content_length_ = block_content_length_;
    }
    return;
  }
  const auto colon = text.find(':');
  if (colon == std::string_view::npos) return;
  const auto name = Trimmed(text.substr(0, colon));
  if (SameName(name, "Location")) block_has_location_ = true;
  if (SameName(name, "Content-Length"))
    block_content_length_ = std::string(Trimmed(text.substr(colon + 1)));
}

std::size_t CurlTransfer::OnBody(char* data, std::size_t size, std::size_t count, void* self) {
  auto& transfer = *static_cast<CurlTransfer*>(self);
  if (transfer.pending_.size() - transfer.pending_at_ >= kMostPending) {
    transfer.paused_ = true;  // libcurl keeps these bytes and offers them again
    return CURL_WRITEFUNC_PAUSE;
  }
  try {
    transfer.pending_.insert(transfer.pending_.end(), data, data + size * count);
  } catch (...) {
    return 0;  // out of memory: the transfer ends as broken off
  }
  return size * count;
}

}  // namespace platform::gtk
