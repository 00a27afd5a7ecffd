#pragma once
// pl::Authorization: the SDK's pending sign-in with the service, opaque to the system. Whoever opens the
// login window hands it a shared handle; the authorisation lasts while someone holds one.
//
// Threads: the handle is passed around on the main thread.

namespace pl {

class Authorization {
 public:
  virtual ~Authorization() = default;
};

}  // namespace pl
