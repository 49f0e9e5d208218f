// A scripted HTTP exchange behind platform/http.h: which step fails, the
// answer's Content-Length and body, and a log of every call with its arguments.
// The canonical form and the split are the real ones unless told to fail.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/http.h"

namespace fake_http {

enum class Fail { Nothing, Canonicalize, Crack, OpenClient, Connect, OpenRequest, Send };

// What the read after the last piece does.
enum class BodyEnd { Complete, Broken, OutOfMemory };

struct Exchange {
  Fail fail = Fail::Nothing;
  std::optional<std::string> content_length;  // nullopt: the answer has none
  std::vector<std::string> pieces;            // the body as it arrives; a read gives at most one
  BodyEnd end = BodyEnd::Complete;
  std::string broken_read_bytes;  // what the read that breaks still got
  bool endless = false;           // the last piece comes again and again
};

struct Call {
  std::string operation;
  std::vector<std::string> arguments;  // handles as "client#1", "request#3"
};

struct State {
  Exchange exchange;
  // Exchanges for the fetches to come, one each, in order; once they run out
  // every fetch gets `exchange` as it stands.
  std::deque<Exchange> next;
  std::vector<std::string> urls;  // every URL a fetch was asked for
  std::vector<Call> calls;
  std::vector<std::size_t> read_sizes;
  int opened = 0;
  int closed = 0;
  std::vector<std::string> misuse;  // handles used after closing, of the wrong kind, closed twice
  std::size_t piece = 0;            // where the body stands
  std::size_t offset = 0;
};

State& Get();
void Reset();
inline int OpenHandles() { return Get().opened - Get().closed; }

}  // namespace fake_http
