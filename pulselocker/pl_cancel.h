#pragma once
// pl::Cancel: the cancel token of one media load. Copies of its state all see one atomic flag; setting
// it asks whoever runs the load to stop. Moving a token into another hands its state over (the source is
// left empty) and releases the target's previous state.
//
// Threads: the flag is read and written atomically from any thread; the token object itself (which
// state it points to) belongs to one thread at a time.

#include <atomic>
#include <memory>

namespace pl {

class Cancel {
 public:
  struct _State {
    std::atomic<bool> cancelled{false};
  };

  // A new token with a new, unset flag.
  Cancel() : state_(std::make_shared<_State>()) { state_->cancelled.exchange(false); }
  Cancel(Cancel&& other) noexcept = default;
  Cancel& operator=(Cancel&& other) noexcept = default;
  Cancel(const Cancel&) = delete;
  Cancel& operator=(const Cancel&) = delete;

  // Sets the flag; false when the token is empty (moved from).
  bool cancel() {
    if (!state_) return false;
    state_->cancelled.exchange(true);
    return true;
  }
  bool isCancelled() const { return state_ && state_->cancelled.load(); }
  // The shared state, for the runner of the load to watch.
  std::shared_ptr<_State> state() const { return state_; }

 private:
  std::shared_ptr<_State> state_;
};

}  // namespace pl
