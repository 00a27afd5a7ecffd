#pragma once
// ZRHook: the slot of an operation a higher layer implements (installed at start-up, replaced by tests).
// Installing and calling may happen on any thread: the call takes a copy of the function under the slot's
// lock and runs it unlocked, so the function may itself install hooks or call operations that use them.

#include <mutex>
#include <utility>

template <typename Function>
class ZRHook {
 public:
  // Installs the implementation; an empty function removes it.
  void install(Function function) {
    std::lock_guard guard(lock_);
    function_ = std::move(function);
  }
  // A copy of the installed implementation (empty when none).
  Function get() const {
    std::lock_guard guard(lock_);
    return function_;
  }

 private:
  mutable std::mutex lock_;
  Function function_;
};
