#pragma once
// pl::Singleton<T>: the SDK's one object of each of its kinds (pl::Root, pl::CurrentUser,
// pl::api::Dispatch, pl::content::Cache). The SDK makes and installs them; the system only reads them.
// Asking before the SDK installed one fails with pl::SingletonError.
//
// Threads: any thread may read; install and remove take the same lock. A reader holds a shared pointer,
// so an object stays alive while a call on it runs even when the SDK removes it meanwhile.

#include <memory>
#include <mutex>
#include <utility>

#include "pulselocker/pl_error.h"

namespace pl {

template <typename T>
class Singleton {
 public:
  static std::shared_ptr<T> getInstance() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!instance_) throw SingletonError();
    return instance_;
  }
  // Null instead of an error when the SDK has not made it.
  static std::shared_ptr<T> find() {
    std::lock_guard<std::mutex> guard(lock_);
    return instance_;
  }
  // For the SDK: installs (or, with null, removes) the instance.
  static void _install(std::shared_ptr<T> instance) {
    std::lock_guard<std::mutex> guard(lock_);
    instance_ = std::move(instance);
  }

 private:
  static inline std::mutex lock_;
  static inline std::shared_ptr<T> instance_;
};

}  // namespace pl
