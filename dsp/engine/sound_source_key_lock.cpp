// The deck's key lock. The one in use is the overlap method inside the
// variable-speed reader: the position moves one frame per output frame, and
// every 3528 frames it jumps by what the speed must skip (or repeat), at the
// offset where the audio matches best, with a 400-frame crossfade.
//
// The look-ahead key lock runs a time-stretcher (RubberBand) ahead of the play
// position on "SC-dsp" into one of two 16-second buffers, from which the
// audio thread copies. It is built and reset with every track but the
// application never switches it on (setLookAheadKeyLockEnabled exists for
// diagnostics); with it off, "SC-dsp" only relays the audio thread's requests
// to wake "SC-streaming".
//
// Hand-over of a look-ahead buffer: "SC-dsp" writes frames and then publishes
// the buffer's meta data; it re-prepares only a buffer that is not the active
// one and whose in-use bit the audio thread has cleared; the audio thread
// claims the active buffer (and the one it crossfades from) before reading,
// and checks that it is still active after claiming it.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/zr_logging.h"
#include "common/zr_ring_buffer.h"
#include "common/zr_thread.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_time_pitch_scaling.h"

namespace {

constexpr int kCoarseRange = 150;
constexpr int kFineRange = 3;
// Output frames made per "SC-dsp" step.
constexpr int kLookAheadStep = 22050;
// Frames of the active look-ahead buffer that crossfade from the previous one.
constexpr int kBufferCrossfade = 88;

}  // namespace

bool CSoundSource::correlationReady(int a, int n, int lag) const {
  const int length = lengthFrames.load(std::memory_order_acquire);
  if (n <= 0 || a < 0 || a + lag < 0) return false;
  if (lag < 0 ? a + n >= length : a + n + lag >= length) return false;
  const int earliest = std::min(a, a + lag);
  const int afterLatest = std::max(a, a + lag) + n;
  for (int b = earliest / kBlockFrames; b <= afterLatest / kBlockFrames; ++b) {
    if (!blocks[b].load(std::memory_order_acquire)) return false;
  }
  return true;
}

namespace {

// Every lag the search tries lies within this distance of its base lag
// (coarse offsets -148..150, fine ones up to 3 beyond).
constexpr int kLagReach = kCoarseRange + kFineRange;
constexpr int kLaggedFrames = CSoundSource::kKeyLockCrossfade + 2 * kLagReach + 1;
constexpr int kMaxLags = kCoarseRange;

// The correlations of the reference frames x (interleaved stereo) with the
// frames of y starting at each offset, over frames frames: per lag the sum in
// frame order of left x left + right x right (each frame's products and their
// sum in single precision, the sum over frames in double), four lags side by
// side.
void correlate(const float* x, const float* y, int frames, const int* offsets, int count, double* out) {
  int j = 0;
  for (; j + 4 <= count; j += 4) {
    const float* y0 = y + 2 * offsets[j];
    const float* y1 = y + 2 * offsets[j + 1];
    const float* y2 = y + 2 * offsets[j + 2];
    const float* y3 = y + 2 * offsets[j + 3];
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (int i = 0; i < 2 * frames; i += 2) {
      const float l = x[i], r = x[i + 1];
      s0 += static_cast<double>(l * y0[i] + r * y0[i + 1]);
      s1 += static_cast<double>(l * y1[i] + r * y1[i + 1]);
      s2 += static_cast<double>(l * y2[i] + r * y2[i + 1]);
      s3 += static_cast<double>(l * y3[i] + r * y3[i + 1]);
    }
    out[j] = s0, out[j + 1] = s1, out[j + 2] = s2, out[j + 3] = s3;
  }
  for (; j < count; ++j) {
    const float* yj = y + 2 * offsets[j];
    double sum = 0;
    for (int i = 0; i < 2 * frames; i += 2) sum += static_cast<double>(x[i] * yj[i] + x[i + 1] * yj[i + 1]);
    out[j] = sum;
  }
}

}  // namespace

void CSoundSource::planKeyLockJump(double position, double speed, int /*length*/) {
  const int w = static_cast<int>(lrint((std::fabs(speed) - 1.0) * kKeyLockSegment));
  const int carried = keyLockCorrection;
  const int d = w - carried;
  const int reference = static_cast<int>(lrint(position)) + kKeyLockSegment +
                        (d > 0 ? kKeyLockCrossfade : (d < 0 ? -kKeyLockCrossfade : 0));
  // Every correlation compares the same 400 reference frames with frames a
  // lag away: both ranges are read out of the blocks once (on the stack, so
  // nothing is allocated on the audio thread) rather than frame by frame per
  // lag. A lag whose frames are not all there counts 0.
  const int baseLag = carried - w;
  float x[2 * kKeyLockCrossfade], y[2 * kLaggedFrames];
  for (int i = 0; i < kKeyLockCrossfade; ++i) readFrame(reference + i, x[2 * i], x[2 * i + 1]);
  const int firstLagged = reference + baseLag - kLagReach;
  for (int i = 0; i < kLaggedFrames; ++i) readFrame(firstLagged + i, y[2 * i], y[2 * i + 1]);
  const auto correlations = [&](const int* offsets, int count, double* out) {
    int starts[kMaxLags];
    for (int j = 0; j < count; ++j) starts[j] = offsets[j] + kLagReach;
    correlate(x, y, kKeyLockCrossfade, starts, count, out);
    for (int j = 0; j < count; ++j) {
      if (!correlationReady(reference, kKeyLockCrossfade, baseLag + offsets[j])) out[j] = 0.0;
    }
  };

  int coarseOffsets[kMaxLags];
  int coarseCount = 0;
  for (int l = -kCoarseRange + 2; l <= kCoarseRange; l += 4) coarseOffsets[coarseCount++] = l;
  double coarseValues[kMaxLags];
  correlations(coarseOffsets, coarseCount, coarseValues);
  double best = 0.0;
  int coarse = 0;
  for (int j = 0; j < coarseCount; ++j) {
    if (coarseValues[j] > best) {
      best = coarseValues[j];
      coarse = coarseOffsets[j];
    }
  }
  int fineOffsets[2 * kFineRange + 1];
  for (int j = 0; j <= 2 * kFineRange; ++j) fineOffsets[j] = coarse - kFineRange + j;
  double fineValues[2 * kFineRange + 1];
  correlations(fineOffsets, 2 * kFineRange + 1, fineValues);
  int fine = coarse;
  for (int j = 0; j <= 2 * kFineRange; ++j) {
    if (fineValues[j] > best) {
      best = fineValues[j];
      fine = fineOffsets[j];
    }
  }
  keyLockBestOffset = fine;
  keyLockCorrection = -fine;
  keyLockJump = w - carried - fine;
  keyLockJumpPublished.store(keyLockJump, std::memory_order_relaxed);
}

void CSoundSource::resetKeyLockState() {
  std::lock_guard<std::mutex> guard(lookAheadLock);
  if (scaler) {
    scaler->reset();
    scaler->setTempo(1.0);
    scaler->setPitch(1.0);
  }
  for (std::unique_ptr<LookAheadBuffer>& b : lookAhead) {
    if (b->frames) std::memset(b->frames.get(), 0, sizeof(float) * kLookAheadFrames * 2);
    b->meta = LookAheadMeta{};
    b->published.publish(b->meta);
    b->inputPosition = 0;
    b->discard = 0;
    if (b->ring) b->ring->clear();
  }
  lookAheadActive.store(0);
  lookAheadSpeed.store(1.0, std::memory_order_relaxed);
  pitchRatio.store(1.0, std::memory_order_relaxed);
  keyShiftCents.store(0, std::memory_order_relaxed);
}

void CSoundSource::closeLookAhead() {
  std::lock_guard<std::mutex> guard(lookAheadLock);
  lookAheadTrackOpen = false;
}

// "SC-dsp", under lookAheadLock: starts a buffer a little before the play
// position with the scaler set to the speed and pitch.
void CSoundSource::prepareLookAhead(LookAheadBuffer& b, double position, double speed, double ratio) {
  const double tempo = std::max(0.5, std::fabs(speed));
  b.meta.start = b.meta.end = std::max(0.0, position - 5512.5 * tempo);
  b.meta.readBase = 0;
  b.meta.fill = 0;
  b.meta.tempo = tempo;
  b.meta.pitch = ratio;
  b.published.publish(b.meta);
  b.inputPosition = b.meta.start;
  scaler->setTempo(tempo);
  scaler->setPitch(ratio);
  scaler->reset();
  b.discard = std::max(0, scaler->getLatency());
  b.ring->clear();
}

// "SC-dsp", under lookAheadLock: one more step of output frames.
void CSoundSource::fillLookAhead(LookAheadBuffer& b) {
  const ZRTimePitchScalingInput input = [&](float** channels, int n) {
    const long first = static_cast<long>(std::floor(b.inputPosition));
    for (int i = 0; i < n; ++i) readFrame(first + i, channels[0][i], channels[1][i]);
    b.inputPosition += n;
    return n;
  };
  constexpr int kFrameBytes = 2 * sizeof(float);
  int dropped = 0, produced = 0;
  scaler->processToRingBuffer(input, b.ring.get(), kLookAheadStep + b.discard, false, dropped, produced);
  if (b.discard > 0) {
    // The scaler's first output is its latency: dropped, so that output
    // frame k matches track frame start + k x tempo.
    b.ring->getBlock(nullptr, b.discard * kFrameBytes);
    b.discard = 0;
  }
  LookAheadMeta& m = b.meta;
  int write = (m.readBase + m.fill) % kLookAheadFrames;
  int left = kLookAheadStep;
  while (left > 0) {
    const int n = std::min(left, kLookAheadFrames - write);
    if (!b.ring->getBlock(b.frames.get() + 2 * static_cast<size_t>(write), n * kFrameBytes)) break;
    write = (write + n) % kLookAheadFrames;
    left -= n;
  }
  if (m.fill + kLookAheadStep <= kLookAheadFrames) {
    m.fill += kLookAheadStep;
  } else {
    // Full: the oldest frames (far behind the play position) were replaced.
    m.readBase = (m.readBase + kLookAheadStep) % kLookAheadFrames;
    m.start += kLookAheadStep * m.tempo;
  }
  m.end += kLookAheadStep * m.tempo;
  b.published.publish(m);
}

bool CSoundSource::UnSyncThreadProc_DSP() {
  if (streamingWakeRequested.exchange(false, std::memory_order_acq_rel)) wakeStreaming();
  if (!lookAheadKeyLockEnabled.load(std::memory_order_relaxed) || !scaler) return true;
  std::lock_guard<std::mutex> guard(lookAheadLock);
  if (!lookAheadTrackOpen || !trackReady.load(std::memory_order_acquire) ||
      lengthFrames.load(std::memory_order_acquire) <= 0) {
    return true;
  }
  if (lookAheadStarved.exchange(false)) ZRLOG("dsp thread wake now");
  const double position = playPosition.load(std::memory_order_relaxed);
  const double speed = lookAheadSpeed.load(std::memory_order_relaxed);
  const double ratio = pitchRatio.load(std::memory_order_relaxed);
  const int active = lookAheadActive.load();
  LookAheadBuffer& a = *lookAhead[active];
  const bool changed = std::max(0.5, std::fabs(speed)) != a.meta.tempo || ratio != a.meta.pitch;
  const bool away = position < a.meta.start || position > a.meta.end + kLookAheadStep;
  if (changed || away) {
    // Made afresh in the other buffer, which then takes over; the audio
    // thread crossfades from the old one.
    const int other = 1 - active;
    if (lookAheadInUse.load() & (1 << other)) return true;
    prepareLookAhead(*lookAhead[other], position, speed, ratio);
    fillLookAhead(*lookAhead[other]);
    lookAheadActive.store(other);
  } else if (a.meta.end < position + 44100.0) {
    fillLookAhead(a);
  }
  return true;
}

// ---------------------------------------------------------------------------
// Audio thread

bool CSoundSource::lookAheadPathWanted() const {
  // Scratching, braking, ramps, cue returns, timecode and reverse play need
  // the variable-speed reader; so does a paused deck (its fade-out).
  return masterTempo.load(std::memory_order_relaxed) && !scratching.load(std::memory_order_relaxed) &&
         !stopNow.load(std::memory_order_relaxed) &&
         speedRampActive.load(std::memory_order_relaxed) == 0.0f &&
         !cueReturnRequest.load(std::memory_order_relaxed) && !brake.load(std::memory_order_relaxed) &&
         !timecodeMode.load(std::memory_order_relaxed) && direction.load(std::memory_order_relaxed) >= 0 &&
         playing.load(std::memory_order_acquire);
}

void CSoundSource::readLookAhead(const LookAheadMeta& meta, const LookAheadBuffer& b, double position,
                                 float& left, float& right, bool& covered) const {
  left = right = 0.0f;
  covered = false;
  if (meta.fill <= 0 || position < meta.start || meta.tempo <= 0) return;
  const long k = static_cast<long>((position - meta.start) / meta.tempo);
  if (k >= meta.fill) return;
  const size_t index = static_cast<size_t>((meta.readBase + k) % kLookAheadFrames);
  left = b.frames[2 * index];
  right = b.frames[2 * index + 1];
  covered = true;
}

void CSoundSource::renderLookAhead(float* buffer, int frames, bool commit) {
  // Claim the active buffer (and the one to crossfade from) before reading;
  // a switch made meanwhile is followed.
  int index;
  do {
    index = lookAheadActive.load();
    int mask = 1 << index;
    if (lookAheadPrevious >= 0 && lookAheadPrevious != index) mask |= 1 << lookAheadPrevious;
    lookAheadInUse.store(mask);
  } while (lookAheadActive.load() != index);
  const LookAheadBuffer& b = *lookAhead[index];
  const LookAheadMeta meta = b.published.read();
  const bool crossfade = lookAheadPrevious >= 0 && lookAheadPrevious != index;
  const LookAheadMeta previous = crossfade ? lookAhead[lookAheadPrevious]->published.read() : LookAheadMeta{};
  const int fadeFrames = crossfade ? std::min(frames, kBufferCrossfade) : 0;

  const int length = lengthFrames.load(std::memory_order_acquire);
  double position = playPosition.load(std::memory_order_relaxed);
  const double tempo = meta.tempo > 0 ? meta.tempo : 1.0;
  bool stopAtEnd = false;
  int k = 0;
  for (; k < frames; ++k) {
    if (position > length - 1) {
      stopAtEnd = true;
      break;
    }
    float left, right;
    bool covered;
    readLookAhead(meta, b, position, left, right, covered);
    if (!covered) {
      // Not made yet: silence, and the position waits for "SC-dsp".
      lookAheadStarved.store(true);
      break;
    }
    if (k < fadeFrames) {
      float pl, pr;
      bool pc;
      readLookAhead(previous, *lookAhead[lookAheadPrevious], position, pl, pr, pc);
      const float w = static_cast<float>(k + 1) / static_cast<float>(fadeFrames + 1);
      left = pl * (1.0f - w) + left * w;
      right = pr * (1.0f - w) + right * w;
    }
    buffer[2 * k] = left;
    buffer[2 * k + 1] = right;
    position += tempo;
    if (commit) loopFrame(position, tempo, 0);
  }
  std::memset(buffer + 2 * k, 0, sizeof(float) * 2 * static_cast<size_t>(frames - k));
  if (!commit) return;
  playPosition.store(std::min(position, static_cast<double>(std::max(0, length - 1))),
                     std::memory_order_relaxed);
  currentSpeed.store(tempo, std::memory_order_relaxed);
  // The variable-speed reader fades out from the last frame heard.
  lastSampleLeft = k > 0 ? buffer[2 * (k - 1)] : 0.0f;
  lastSampleRight = k > 0 ? buffer[2 * (k - 1) + 1] : 0.0f;
  lookAheadPrevious = index;
  lookAheadInUse.store(1 << index);
  if (stopAtEnd) setPlaying(0, true);
}
