// One request on libcurl's multi interface: Start returns once the final
// answer's headers are in (or the exchange has failed), Read hands out the body
// as it arrives, so a transfer that breaks off still gives what came before.
#pragma once

#include <curl/curl.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::gtk {

struct CurlRequestSetup {
  std::string url;
  std::string verb;
  bool http_1_0 = true;
  std::string agent;
  std::string user;       // empty: none
  std::string password;   // empty: none
  bool no_cache = false;  // asks every cache on the way for a fresh answer
  CURLSH* share = nullptr;
  int connect_seconds = 0;  // 0: libcurl's own limit
  int stall_seconds = 0;    // 0: no limit
};

class CurlTransfer {
 public:
  CurlTransfer() = default;
  ~CurlTransfer();
  CurlTransfer(const CurlTransfer&) = delete;
  CurlTransfer& operator=(const CurlTransfer&) = delete;

  bool Prepare(const CurlRequestSetup& setup);
  // Each line of the header block becomes a request header.
  bool Start(std::string_view header_block);
  // The final answer's Content-Length, without blanks around it.
  const std::optional<std::string>& content_length() const { return content_length_; }
  bool Read(char* buffer, std::size_t size, std::size_t& bytes_read);

 private:
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self);
  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self);
  void HeaderLine(std::string_view line);
  bool HasPending() const { return pending_at_ < pending_.size(); }
  // Runs the transfer until it has ended or ready() holds.
  template <class Ready>
  void DriveUntil(Ready ready);

  CURL* easy_ = nullptr;
  CURLM* multi_ = nullptr;
  curl_slist* headers_ = nullptr;
  bool no_cache_ = false;

  std::vector<char> pending_;  // arrived, not yet read
  std::size_t pending_at_ = 0;
  bool paused_ = false;
  bool headers_done_ = false;
  bool done_ = false;
  CURLcode result_ = CURLE_OK;

  bool block_has_location_ = false;  // of the header block being received
  std::optional<std::string> block_content_length_;
  std::optional<std::string> content_length_;
};

}  // namespace platform::gtk
