// tolvane-fetch: shows what the client gets from a server. Runs FetchText on
// the URL and writes the text's bytes to standard output, unchanged.
//
//   tolvane-fetch [--connect-seconds N] [--stall-seconds N] URL [URL...]
//
// With several URLs they are fetched in order in one run, through one client
// and so one cookie store, and each text is written as its length in decimal,
// a line feed, then its bytes. The options replace the HTTP client's time
// limits for this run, so that tests need not wait for the real ones.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "binary_output.h"
#include "platform/http_time_limits.h"
#include "remote/fetch_text.h"

namespace {

constexpr const char* kUsage =
    "usage: tolvane-fetch [--connect-seconds N] [--stall-seconds N] URL [URL...]\n";

bool ParseSeconds(const char* text, int& seconds) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < 1 || value > 86400) return false;
  seconds = static_cast<int>(value);
  return true;
}

void Write(const std::string& bytes) {
  if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  int connect_seconds = 0;
  int stall_seconds = 0;
  std::vector<std::string> urls;
  bool options_ended = false;
  bool usable = true;
  for (int i = 1; i < argc && usable; ++i) {
    const char* argument = argv[i];
    const bool is_option = !options_ended && std::strncmp(argument, "--", 2) == 0;
    if (!is_option) {
      urls.emplace_back(argument);
    } else if (std::strcmp(argument, "--") == 0) {
      options_ended = true;
    } else if (std::strcmp(argument, "--connect-seconds") == 0 && i + 1 < argc) {
      usable = ParseSeconds(argv[++i], connect_seconds);
    } else if (std::strcmp(argument, "--stall-seconds") == 0 && i + 1 < argc) {
      usable = ParseSeconds(argv[++i], stall_seconds);
    } else {
      usable = false;
    }
  }
  if (!usable || urls.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }

  if (connect_seconds || stall_seconds)
    platform::http::OverrideTimeLimits(connect_seconds, stall_seconds);
  UseBinaryStandardOutput();
  for (const auto& url : urls) {
    const std::string text = remote::FetchText(url);
    if (urls.size() > 1) Write(std::to_string(text.size()) + "\n");
    Write(text);
  }
  std::fflush(stdout);
  remote::CloseClient();
  return 0;
}
