// The deck's key lock. The one in use is the overlap method inside the
// variable-speed reader: the position moves one frame per output frame, and
// every 3528 frames it jumps by what the speed must skip (or repeat), at the
// offset where the audio matches best, with a 400-frame crossfade.
//
// The look-ahead key lock (a time-stretcher run ahead of the play position on
// "SC-dsp") is kept built and reset with every track but is never switched
// on; its thread only relays the audio thread's requests to wake
// "SC-streaming".

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/zr_ring_buffer.h"
#include "common/zr_thread.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_time_pitch_scaling.h"

namespace {

constexpr int kCoarseRange = 150;
constexpr int kFineRange = 3;

}  // namespace

double CSoundSource::AutoCorrelationInternal(int a, int n, int lag) const {
  const int length = lengthFrames.load(std::memory_order_acquire);
  if (n <= 0 || a < 0 || a + lag < 0) return 0.0;
  if (lag < 0 ? a + n >= length : a + n + lag >= length) return 0.0;
  const int earliest = std::min(a, a + lag);
  const int afterLatest = std::max(a, a + lag) + n;
  for (int b = earliest / kBlockFrames; b <= afterLatest / kBlockFrames; ++b) {
    if (!blocks[b].load(std::memory_order_acquire)) return 0.0;
  }
  double sum = 0.0;
  for (int i = a; i < a + n; ++i) {
    float l0, r0, l1, r1;
    readFrame(i, l0, r0);
    readFrame(i + lag, l1, r1);
    sum += static_cast<double>(l0 * l1 + r0 * r1);
  }
  return sum;
}

void CSoundSource::planKeyLockJump(double position, double speed, int /*length*/) {
  const int w = static_cast<int>(lrint((std::fabs(speed) - 1.0) * kKeyLockSegment));
  const int carried = keyLockCorrection;
  const int d = w - carried;
  const int reference = static_cast<int>(lrint(position)) + kKeyLockSegment +
                        (d > 0 ? kKeyLockCrossfade : (d < 0 ? -kKeyLockCrossfade : 0));
  double best = 0.0;
  int coarse = 0;
  for (int l = -kCoarseRange + 2; l <= kCoarseRange; l += 4) {
    const double c = AutoCorrelationInternal(reference, kKeyLockCrossfade, carried - w + l);
    if (c > best) {
      best = c;
      coarse = l;
    }
  }
  int fine = coarse;
  for (int off = coarse - kFineRange; off <= coarse + kFineRange; ++off) {
    const double c = AutoCorrelationInternal(reference, kKeyLockCrossfade, carried - w + off);
    if (c > best) {
      best = c;
      fine = off;
    }
  }
  keyLockBestOffset = fine;
  keyLockCorrection = -fine;
  keyLockJump = w - carried - fine;
  keyLockJumpPublished.store(keyLockJump, std::memory_order_relaxed);
}

void CSoundSource::resetKeyLockState() {
  if (scaler) {
    scaler->reset();
    scaler->setTempo(1.0);
    scaler->setPitch(1.0);
  }
  for (LookAheadBuffer& b : lookAhead) {
    if (b.frames) std::memset(b.frames.get(), 0, sizeof(float) * 705600 * 2);
    b.start = b.end = 0;
    b.readBase = b.fill = 0;
    b.inputPosition = 0;
    b.tempo = 1.0;
    b.pitch = 0.0;
    if (b.ring) b.ring->clear();
  }
  lookAheadActive = 0;
  lookAheadPrevious = -1;
  lookAheadSpeed.store(1.0, std::memory_order_relaxed);
  pitchRatio.store(1.0, std::memory_order_relaxed);
  keyShiftCents.store(0, std::memory_order_relaxed);
}

bool CSoundSource::UnSyncThreadProc_DSP() {
  if (streamingWakeRequested.exchange(false, std::memory_order_acq_rel)) wakeStreaming();
  // The look-ahead stretcher has no switch that turns it on: nothing to do.
  return true;
}
