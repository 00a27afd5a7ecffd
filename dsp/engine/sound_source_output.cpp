// The deck's audio output and transport: GetSamples on the audio thread (the
// variable-speed reader with its speed ramps, brake, fade-out and key lock)
// and the setters the user-interface side calls.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "codecs/zr_master_codec.h"
#include "dsp/engine/sound_source.h"

namespace {

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

// ---------------------------------------------------------------------------
// Transport

void CSoundSource::PlayPause(int mode) {
  // Play pressed while CUE is held for a preview: the deck keeps playing
  // when CUE is released.
  if (playSwallow.load() && playing.load(std::memory_order_acquire)) {
    playSwallow.store(0);
    return;
  }
  setPlaying(mode, false);
}

void CSoundSource::setPlaying(int mode, bool audioThread) {
  const int was = playing.load(std::memory_order_acquire);
  const int now = mode == -1 ? (was ? 0 : 1) : (mode ? 1 : 0);
  playing.store(now, std::memory_order_release);
  if (now) {
    cueSetArmed.store(0);
  } else {
    jogScratchMode.store(0);
  }
  if (was != now) reportPlayStatus(now, audioThread);
}

void CSoundSource::PlayStatusChanged(int on) {
  reportPlayStatus(on, false);
}

void CSoundSource::reportPlayStatus(int on, bool audioThread) {
  int code = on ? 1 : 0;
  if (on && !firstPlayReported.exchange(1, std::memory_order_acq_rel)) code = 2;
  if (requestHasStream.load(std::memory_order_acquire)) {
    const int at = static_cast<int>(lrint(playPosition.load(std::memory_order_relaxed)));
    if (audioThread) {
      queuePlayEventFromAudio(on ? 0 : 1, at, -1);
    } else {
      queuePlayEvent(on ? 0 : 1, at, -1);
    }
  }
  if (playStateHook) playStateHook(static_cast<unsigned long>(code), this);
}

void CSoundSource::SetPositionAsync(double frames) {
  asyncPosition.store(frames, std::memory_order_release);
  positionRequests.fetch_add(1, std::memory_order_acq_rel);
}

void CSoundSource::announceSeek(double frames) {
  announceSeekFrom(playPosition.load(std::memory_order_relaxed), frames);
}

void CSoundSource::announceSeekFrom(double from, double to) {
  if (std::fabs(from - to) <= 1.0) return;
  codec->announceSeekToSample(static_cast<int>(lrint(to)), loop.active);
  if (requestHasStream.load(std::memory_order_acquire) && playing.load(std::memory_order_acquire)) {
    queuePlayEventFromAudio(2, static_cast<int>(lrint(from)), static_cast<int>(lrint(to)));
  }
}

void CSoundSource::SetDirection(int dir) {
  if (dir != direction.load(std::memory_order_relaxed) && requestHasStream.load(std::memory_order_acquire) &&
      playing.load(std::memory_order_acquire)) {
    const int at = static_cast<int>(lrint(playPosition.load(std::memory_order_relaxed)));
    queuePlayEvent(1, at, -1);
    queuePlayEvent(0, at, -1);
  }
  if (dir != direction.load(std::memory_order_relaxed)) alwaysInSync.store(false);
  direction.store(dir, std::memory_order_relaxed);
  applyNominalSpeed();
}

void CSoundSource::SetPitch(int value) {
  pitch.store(value, std::memory_order_relaxed);
  applyNominalSpeed();
}

void CSoundSource::applyNominalSpeed() {
  const double speed =
      direction.load(std::memory_order_relaxed) * (1.0 + pitch.load(std::memory_order_relaxed) / 10000.0);
  nominalSpeed.store(speed, std::memory_order_relaxed);
  if (!scratching.load(std::memory_order_relaxed)) {
    speedRampActive.store(0.0f, std::memory_order_relaxed);
    desiredSpeed.store(speed, std::memory_order_release);
    lookAheadSpeed.store(speed, std::memory_order_relaxed);
  }
}

void CSoundSource::SetSpeed(double speed) {
  desiredSpeed.store(speed, std::memory_order_release);
  lookAheadSpeed.store(speed, std::memory_order_relaxed);
}

void CSoundSource::SetBrake(int on) {
  brake.store(on, std::memory_order_release);
  if (!on) {
    speedRampActive.store(0.0f, std::memory_order_relaxed);
    desiredSpeed.store(nominalSpeed.load(std::memory_order_relaxed), std::memory_order_release);
  }
}

void CSoundSource::SetPitchKey(int cents) {
  keyShiftCents.store(cents, std::memory_order_relaxed);
  pitchRatio.store(std::pow(2.0, cents / 1200.0), std::memory_order_relaxed);
}

int CSoundSource::GetCurrentPos() {
  return static_cast<int>(std::floor(playPosition.load(std::memory_order_relaxed)));
}

int CSoundSource::GetLength() {
  return opened.load(std::memory_order_acquire) ? lengthFrames.load(std::memory_order_acquire) : 0;
}

int CSoundSource::GetCurrentPosSmoothed() {
  double position = playPosition.load(std::memory_order_relaxed);
  if (playing.load(std::memory_order_acquire)) {
    const double elapsedMs = (nowNs() - bufferClockNs.load(std::memory_order_relaxed)) / 1e6;
    position += elapsedMs * 44.1 * currentSpeed.load(std::memory_order_relaxed);
  }
  const double length = lengthFrames.load(std::memory_order_acquire);
  return static_cast<int>(lrint(std::clamp(position, 0.0, std::max(0.0, length))));
}

void CSoundSource::GetEqGainValues(float& low, float& mid, float& high, float& gain) {
  low = mid = high = gain = 0.0f;
  if (!opened.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> guard(detailsLock);
  low = currentSong_Details.eqLow;
  mid = currentSong_Details.eqMid;
  high = currentSong_Details.eqHigh;
  gain = currentSong_Details.pgainValid ? currentSong_Details.pgain : 0.0f;
}

void CSoundSource::SetEqGainValues(float low, float mid, float high, float gain) {
  if (!opened.load(std::memory_order_acquire) || !trackReady.load(std::memory_order_acquire)) return;
  std::lock_guard<std::mutex> guard(detailsLock);
  if (low > -100) currentSong_Details.eqLow = low;
  if (mid > -100) currentSong_Details.eqMid = mid;
  if (high > -100) currentSong_Details.eqHigh = high;
  if (gain > -100) {
    currentSong_Details.pgain = gain;
    currentSong_Details.pgainValid = true;
  }
}

void CSoundSource::GetAudioData(float* out, int start, int frames) {
  const int length = lengthFrames.load(std::memory_order_acquire);
  for (int k = 0; k < frames; ++k) {
    float left = 0.0f, right = 0.0f;
    if (length > 0) {
      long frame = (static_cast<long>(start) + k) % length;
      if (frame < 0) frame += length;
      readFrame(frame, left, right);
    }
    out[2 * k] = left;
    out[2 * k + 1] = right;
  }
}

// ---------------------------------------------------------------------------
// Audio thread

void CSoundSource::GetSamplesShort(short* buffer, int frames) {
  if (buffer && frames > 0) std::memset(buffer, 0, sizeof(short) * 2 * static_cast<size_t>(frames));
}

void CSoundSource::GetSamples(float* buffer, int frames) {
  if (!buffer || frames <= 0) return;
  audioInside.store(1, std::memory_order_seq_cst);
  if (playing.load(std::memory_order_acquire)) playedFrames.fetch_add(frames, std::memory_order_relaxed);
  float timer = autoPlayTimer.load(std::memory_order_acquire);
  if (timer >= 0.0f) {
    timer += static_cast<float>(frames) / 44100.0f;
    if (timer >= 0.65f) {
      autoPlayTimer.store(-1.0f, std::memory_order_release);
      setPlaying(1, true);
    } else {
      autoPlayTimer.store(timer, std::memory_order_release);
    }
  }
  if (frames > kMaxFramesPerBuffer || !opened.load(std::memory_order_seq_cst)) {
    std::memset(buffer, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
  } else {
    // The path is chosen before the buffer's requests are taken up: a cue
    // return, for one, always plays through the variable-speed reader.
    const bool enabled = lookAheadKeyLockEnabled.load(std::memory_order_relaxed) != 0;
    const int path = enabled && lookAheadPathWanted() ? 1 : 0;
    beginBuffer();
    if (enabled && lookAheadLastPath >= 0 && path != lookAheadLastPath) {
      // Both paths render; the outgoing one without moving the position, and
      // the result crossfades linearly over the first 44 frames.
      const int n = std::min(frames, 44);
      float* outgoing = pathSwitchBuffer.get();
      if (path == 1) {
        renderVariableSpeedDry(outgoing, n);
        renderLookAhead(buffer, frames, true);
      } else {
        renderLookAhead(outgoing, n, false);
        renderVariableSpeed(buffer, frames);
      }
      for (int k = 0; k < n; ++k) {
        const float w = static_cast<float>(k + 1) / static_cast<float>(n + 1);
        buffer[2 * k] = outgoing[2 * k] * (1.0f - w) + buffer[2 * k] * w;
        buffer[2 * k + 1] = outgoing[2 * k + 1] * (1.0f - w) + buffer[2 * k + 1] * w;
      }
    } else if (path == 1) {
      renderLookAhead(buffer, frames, true);
    } else {
      renderVariableSpeed(buffer, frames);
    }
    if (enabled) lookAheadLastPath = path;
    if (path == 0 && lookAheadPrevious >= 0) {
      // Off the look-ahead path: "SC-dsp" may prepare either buffer.
      lookAheadPrevious = -1;
      lookAheadInUse.store(0);
    }
    if (loopDirty) publishLoop();
  }
  bufferClockNs.store(nowNs(), std::memory_order_relaxed);
  audioInside.store(0, std::memory_order_seq_cst);
}

void CSoundSource::beginBuffer() {
  const float beat = GetCurrentBeatSize();
  bufferBeatSize = beat > 0 ? beat : 22050.0;
  double position = playPosition.load(std::memory_order_relaxed);
  if (cueReturnRequest.exchange(0, std::memory_order_acq_rel)) cueReturn(position);
  const double seek = asyncPosition.exchange(-1.0, std::memory_order_acq_rel);
  if (seek >= 0) {
    announceSeekFrom(position, seek);
    position = seek;
  }
  // After the seek: a loop asked for is placed where the deck now is.
  runCommands(position);
  // A deck scratched while it was paused: the next CUE away from the cue
  // point moves the cue there.
  if (scratching.load(std::memory_order_relaxed) && !playingBeforeScratch.load(std::memory_order_relaxed)) {
    cueSetArmed.store(1);
  }
  playPosition.store(position, std::memory_order_relaxed);
}

// Renders the first frames of the variable-speed reader and puts back every
// bit of reader state it moved, so that the other path can carry on.
void CSoundSource::renderVariableSpeedDry(float* buffer, int frames) {
  const double position = playPosition.load(std::memory_order_relaxed);
  const double speed = currentSpeed.load(std::memory_order_relaxed);
  const double last = lastDesiredSpeed, step = speedStep;
  const int level = outputLevel;
  const float left = lastSampleLeft, right = lastSampleRight;
  const int counter = keyLockCounter, jump = keyLockJump, correction = keyLockCorrection;
  const int best = keyLockBestOffset, published = keyLockJumpPublished.load(std::memory_order_relaxed);
  const TLoopInfo loopBefore = loop;
  const bool dirty = loopDirty;
  const double slipBefore = slipPosition;
  renderVariableSpeed(buffer, frames);
  slipPosition = slipBefore;
  playPosition.store(position, std::memory_order_relaxed);
  currentSpeed.store(speed, std::memory_order_relaxed);
  lastDesiredSpeed = last;
  speedStep = step;
  outputLevel = level;
  lastSampleLeft = left;
  lastSampleRight = right;
  keyLockCounter = counter;
  keyLockJump = jump;
  keyLockCorrection = correction;
  keyLockBestOffset = best;
  keyLockJumpPublished.store(published, std::memory_order_relaxed);
  loop = loopBefore;
  loopDirty = dirty;
}

void CSoundSource::readFrame(long frame, float& left, float& right) const {
  left = right = 0.0f;
  if (frame < 0 || frame >= static_cast<long>(kMaxBlocks) * kBlockFrames) return;
  const ZRAudioBlock* block = blocks[frame / kBlockFrames].load(std::memory_order_acquire);
  if (!block) return;
  const int16_t* s = block->samples + 2 * (frame % kBlockFrames);
  left = s[0] * kSampleScale;
  right = s[1] * kSampleScale;
}

void CSoundSource::readFrameWrapped(long frame, int length, float& left, float& right) const {
  readFrame(std::labs(frame % length), left, right);
}

void CSoundSource::readJumpFrame(long frame, int length, float& left, float& right) const {
  const long r = frame % length;
  if (r >= 0) {
    readFrame(r, left, right);
  } else if (-r < kBlockFrames) {
    readFrame(-r, left, right);
  } else {
    left = right = 0.0f;
  }
}

int CSoundSource::levelFor(double speed, bool withTimecode) const {
  if (scratching.load(std::memory_order_relaxed) || brake.load(std::memory_order_relaxed) ||
      std::fabs(speed) <= 0.6 || (withTimecode && timecodeMode.load(std::memory_order_relaxed))) {
    return static_cast<int>(lrint(std::min(1.0, std::fabs(speed)) * kFullOutputLevel));
  }
  return kFullOutputLevel;
}

bool CSoundSource::neighbourhoodDecoded(double position, double speed, int frames) const {
  const int length = lengthFrames.load(std::memory_order_acquire);
  const int count = blockCount.load(std::memory_order_acquire);
  if (length <= 0 || count <= 0) return false;
  const double reach = std::fabs((frames + 10) * speed);
  const long lo = std::clamp(lrint(position - reach), 0L, static_cast<long>(length - 1));
  const long hi = std::clamp(lrint(position + reach), 0L, static_cast<long>(length - 1));
  const int first = static_cast<int>(lo / kBlockFrames);
  const int last = std::min(static_cast<int>(hi / kBlockFrames), count - 1);
  for (int b = first; b <= last; ++b) {
    if (!blocks[b].load(std::memory_order_acquire)) return false;
  }
  return true;
}

// The variable-speed reader. The cue return and the pending seek were taken
// up by beginBuffer.
void CSoundSource::renderVariableSpeed(float* buffer, int frames) {
  const int length = lengthFrames.load(std::memory_order_acquire);
  double position = playPosition.load(std::memory_order_relaxed);
  double speed = currentSpeed.load(std::memory_order_relaxed);

  // A deck pushed back past the start resumes forward.
  if (position <= 0 && speed < 0 && direction.load(std::memory_order_relaxed) > 0) speed = lastDesiredSpeed;

  const bool loadPending = loadFlag.load(std::memory_order_acquire) & 1;
  if (loadPending || !neighbourhoodDecoded(position, speed, frames)) {
    std::memset(buffer, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
    lastSampleLeft = lastSampleRight = 0.0f;
    if (playing.load(std::memory_order_acquire) && !loadPending &&
        trackReady.load(std::memory_order_acquire) && !stopNow.load(std::memory_order_relaxed)) {
      position += frames * speed;
      if (slipActive) slipPosition += frames * speed / slipSpeedRatio.load(std::memory_order_relaxed);
    }
    playPosition.store(position, std::memory_order_relaxed);
    currentSpeed.store(speed, std::memory_order_relaxed);
    streamingWakeRequested.store(true, std::memory_order_release);
    return;
  }

  int level = outputLevel;
  double g;
  int k = 0;
  if (!playing.load(std::memory_order_acquire)) {
    g = level / static_cast<double>(kFullOutputLevel);
    buffer[0] = static_cast<float>(lastSampleLeft * g);
    buffer[1] = static_cast<float>(lastSampleRight * g);
    k = 1;
  } else {
    level = levelFor(speed, true);
    g = level / static_cast<double>(kFullOutputLevel);
    const int master = masterTempo.load(std::memory_order_relaxed);
    // With a pitch pad the unheard track runs at the speed asked for without the pad; otherwise it moves
    // exactly as the deck does.
    const double slipRatio = slipSpeedRatio.load(std::memory_order_relaxed);
    while (k < frames) {
      if (stopNow.exchange(0, std::memory_order_acq_rel)) {
        speed = lastDesiredSpeed = 0.0;
        level = 0;
        g = 0.0;
      }
      const bool ramp = speedRampActive.load(std::memory_order_relaxed) != 0.0f;
      if (ramp) {
        speed = std::clamp(speed, -4.0, 4.0);
        level = levelFor(speed, false);
        g = level / static_cast<double>(kFullOutputLevel);
      }
      const bool braking = brake.load(std::memory_order_relaxed) != 0;
      const bool timecode = timecodeMode.load(std::memory_order_relaxed) != 0;
      if (braking && !timecode) {
        speedRampActive.store(0.0f, std::memory_order_relaxed);
        desiredSpeed.store(0.0, std::memory_order_relaxed);
      }
      const bool rampNow = speedRampActive.load(std::memory_order_relaxed) != 0.0f;
      const double desired = desiredSpeed.load(std::memory_order_relaxed);
      const bool inside = position > 0 && position < length - 1;
      if (desired != lastDesiredSpeed || rampNow) {
        lastDesiredSpeed = desired;
        const double diff = desired - speed;
        if (braking) {
          speedStep = timecode ? diff / 1000.0 : diff / 62500.0;
        } else if (timecode) {
          speedStep = diff / 1000.0;
        } else if (rampNow) {
          speedStep = inside ? diff / 75000.0 : diff;
        } else if (inside) {
          const double c = std::clamp(10.0 * std::fabs(desired), 2.0, 8.0);
          speedStep = diff / (250.0 * c);
        } else {
          speedStep = diff;
        }
      }
      if (speed != desired) {
        speed += speedStep;
        if ((speedStep > 0 && speed > desired) || (speedStep < 0 && speed < desired) || speedStep == 0) {
          speed = desired;
        } else if (rampNow && std::fabs(speed - desired) < 0.01) {
          speed = desired;
          speedRampActive.store(0.0f, std::memory_order_relaxed);
        }
        level = levelFor(speed, true);
        g = level / static_cast<double>(kFullOutputLevel);
      }

      if (slipActive) slipPosition += slipRatio == 1.0 ? speed : desired / slipRatio;
      const bool keyLock = master && !scratching.load(std::memory_order_relaxed) && !braking;
      if (!keyLock) {
        position += speed;
      } else if (speed != 0.0) {
        const int sign = speed > 0 ? 1 : -1;
        position += sign;
        if (++keyLockCounter >= kKeyLockSegment) {
          position += sign * keyLockJump;
          keyLockCounter = 0;
          planKeyLockJump(position, speed, length);
        }
      }

      // Loops; an active loop keeps the position inside the track, so the
      // end-of-track check is for playing without one (or while scratching).
      const bool looping = loopFrame(position, speed, keyLock ? 0 : 1);

      // Track ends: hold the last frame; the fade below takes it out.
      if ((!looping || scratching.load(std::memory_order_relaxed)) &&
          (position > length - 1 || position < 0)) {
        position = position < 0 ? 0.0 : length - 1;
        buffer[2 * k] = static_cast<float>(lastSampleLeft * g);
        buffer[2 * k + 1] = static_cast<float>(lastSampleRight * g);
        ++k;
        break;
      }

      const long b = static_cast<long>(std::floor(position));
      float outL, outR;
      if (keyLock) {
        float curL, curR;
        readFrame(b, curL, curR);
        if (keyLockJump != 0 && keyLockCounter >= kKeyLockSegment - kKeyLockCrossfade) {
          const float p = static_cast<float>(keyLockCounter - (kKeyLockSegment - kKeyLockCrossfade)) /
                          static_cast<float>(kKeyLockCrossfade);
          const float c = std::cos(p * static_cast<float>(M_PI) * 0.5f);
          const float s = std::sin(p * static_cast<float>(M_PI) * 0.5f);
          float jumpL, jumpR;
          readJumpFrame(b + (speed > 0 ? 1 : -1) * keyLockJump, length, jumpL, jumpR);
          outL = curL * c * c + jumpL * s * s;
          outR = curR * c * c + jumpR * s * s;
        } else {
          outL = curL;
          outR = curR;
        }
      } else {
        // Catmull-Rom between frame b-1 (t = 0) and frame b (t = 1).
        const float t = static_cast<float>(position - static_cast<double>(b));
        float f[4][2];
        const bool nearEnds = b < 2 || b >= length - 1;
        for (int i = 0; i < 4; ++i) {
          const long frame = b - 2 + i;
          if (nearEnds) {
            readFrameWrapped(frame, length, f[i][0], f[i][1]);
          } else {
            readFrame(frame, f[i][0], f[i][1]);
          }
        }
        const float t2 = t * t, t3 = t2 * t;
        const float h00 = 2 * t3 - 3 * t2 + 1, h10 = t3 - 2 * t2 + t, h01 = -2 * t3 + 3 * t2, h11 = t3 - t2;
        outL = f[1][0] * h00 + (f[2][0] - f[0][0]) * 0.5f * h10 + f[2][0] * h01 +
               (f[3][0] - f[1][0]) * 0.5f * h11;
        outR = f[1][1] * h00 + (f[2][1] - f[0][1]) * 0.5f * h10 + f[2][1] * h01 +
               (f[3][1] - f[1][1]) * 0.5f * h11;
      }
      lastSampleLeft = static_cast<float>(outL * g);
      lastSampleRight = static_cast<float>(outR * g);
      buffer[2 * k] = lastSampleLeft;
      buffer[2 * k + 1] = lastSampleRight;
      ++k;
      if (k < frames && !playing.load(std::memory_order_acquire)) {
        buffer[2 * k] = static_cast<float>(lastSampleLeft * g);
        buffer[2 * k + 1] = static_cast<float>(lastSampleRight * g);
        ++k;
        break;
      }
    }
  }

  // Fade the held frame out over the rest of the buffer (at most 441 frames).
  for (; k < frames; ++k) {
    buffer[2 * k] = static_cast<float>(lastSampleLeft * g);
    buffer[2 * k + 1] = static_cast<float>(lastSampleRight * g);
    if (level > 0) {
      --level;
      g = level / static_cast<double>(kFullOutputLevel);
    } else {
      lastSampleLeft = lastSampleRight = 0.0f;
    }
  }
  outputLevel = level;
  playPosition.store(position, std::memory_order_relaxed);
  currentSpeed.store(speed, std::memory_order_relaxed);
}
