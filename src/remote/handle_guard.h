// Closes an HTTP handle when the scope that opened it ends, whichever way.
#pragma once

#include "platform/http.h"

namespace remote {

class HandleGuard {
 public:
  explicit HandleGuard(platform::http::Handle handle) : handle_(handle) {}
  ~HandleGuard() {
    if (handle_) platform::http::Close(handle_);
  }
  HandleGuard(const HandleGuard&) = delete;
  HandleGuard& operator=(const HandleGuard&) = delete;

  platform::http::Handle get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  platform::http::Handle handle_;
};

}  // namespace remote
