#include "common/zr_audio_hand_over.h"

#include <chrono>
#include <thread>

#include "common/zr_logging.h"

bool ZRAudioReaderGate::waitForReaders(const char* what) const {
  // Sequentially consistent, so that it is ordered after the caller's store that made the memory
  // unreachable: an even count means the next use will not find it.
  const uint32_t seen = uses_.load(std::memory_order_seq_cst);
  if ((seen & 1) == 0) return true;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kWaitLimitMs);
  for (int spins = 0;; ++spins) {
    // Any change of the count means the use that was running has left.
    if (uses_.load(std::memory_order_acquire) != seen) return true;
    if (spins < 64) {
      std::this_thread::yield();
    } else {
      if (std::chrono::steady_clock::now() > deadline) break;
      std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
  }
  ZRLOG("warning: the audio thread did not let go of %s within %d ms; it is kept, not freed",
        what != nullptr ? what : "shared memory", kWaitLimitMs);
  return false;
}
