#include "dsp/engine/live_input_source.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/zr_logging.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/vinyl_decode.h"
#include "dsp/timecode_demodulator.h"

namespace {

constexpr double kNoSignalStrength = 0.025;
constexpr double kDriftSeconds = 0.05;
constexpr int kHopFrames = 32;

}  // namespace

CLiveInputSource::CLiveInputSource(ZRAudioSignalSource* deckSource, int frames)
    : deck(deckSource),
      player(dynamic_cast<CSoundSource*>(deckSource)),
      bufferFrames(std::max(frames, kMinimumFrames)),
      inputBuffer(new float[2 * static_cast<size_t>(bufferFrames)]()),
      zeroCrossing(std::make_unique<CVinylDecode>(bufferFrames)),
      left(static_cast<size_t>(bufferFrames)),
      right(static_cast<size_t>(bufferFrames)),
      speeds(static_cast<size_t>(bufferFrames / kHopFrames + 1)),
      strengths(speeds.size()),
      positions(speeds.size()) {
  demodulator = MPVT2_CreateNew(bufferFrames * 8, 44100.0);
  MPVT2_SetVinylGeneration(demodulator, 4);
  MPVT2_SetCutoffSharpness(demodulator, 1.0);
  MPVT2_SetAbsoluteMode(demodulator, 1);
  UpdateMasterTempoStateFromOriginalSource();
}

CLiveInputSource::~CLiveInputSource() {
  MPVT2_Destruct(demodulator);
}

void CLiveInputSource::UpdateMasterTempoStateFromOriginalSource() {
  savedKeyLock.store(player != nullptr ? player->GetMasterTempo() : 0, std::memory_order_relaxed);
}

void CLiveInputSource::SetTimeCodeMode(int mode) {
  if (mode != 0 && player == nullptr) {
    ZRLOG("warning: timecode mode needs a deck; this live input stays a plain input");
    return;
  }
  timecodeMode.store(mode, std::memory_order_release);
  if (player == nullptr) return;
  player->SetMasterTempo(mode != 0 ? 0 : savedKeyLock.load(std::memory_order_relaxed));
}

void CLiveInputSource::GetSamples(float* buffer, int frames) {
  const int n = std::clamp(frames, 0, bufferFrames);
  std::memcpy(buffer, inputBuffer.get(), sizeof(float) * 2 * n);
  if (frames > n) std::memset(buffer + 2 * n, 0, sizeof(float) * 2 * (frames - n));
  if (timecodeMode.load(std::memory_order_acquire) == 0 || player == nullptr) return;

  // The decoders' filters would keep a value that is not a number for good, and never lock again.
  float* in = inputBuffer.get();
  for (int i = 0; i < 2 * n; ++i) {
    if (!std::isfinite(in[i])) in[i] = 0.0f;
  }
  double speed =
      decoderSelector.load(std::memory_order_relaxed) >= 1 ? demodulate(n) : decodeZeroCrossings(n);
  // A buffer that measured nothing (or nothing usable) keeps the deck at its last speed: a speed that is not
  // a number would carry on into the play position.
  if (!std::isfinite(speed)) speed = lastSpeed.load(std::memory_order_relaxed);
  lastSpeed.store(speed, std::memory_order_relaxed);
  player->SetSpeed(speed);
  player->GetSamples(buffer, frames);
}

double CLiveInputSource::demodulate(int n) {
  for (int i = 0; i < n; ++i) {
    left[i] = inputBuffer[2 * i];
    right[i] = inputBuffer[2 * i + 1];
  }
  long count = n / kHopFrames;
  MPVT2_ProcessBuffer(demodulator, left.data(), right.data(), n, speeds.data(), strengths.data(),
                      positions.data(), &count);
  if (count <= 0) return lastSpeed.load(std::memory_order_relaxed);
  double speed = 0.0, strength = 0.0, position = 0.0;
  int found = 0;
  for (long i = 0; i < count; ++i) {
    speed += speeds[i];
    strength += strengths[i];
    if (positions[i] > 0) {
      position += positions[i];
      ++found;
    }
  }
  speed /= static_cast<double>(count);
  strength /= static_cast<double>(count);
  if (!std::isfinite(speed) || !std::isfinite(strength)) return lastSpeed.load(std::memory_order_relaxed);
  // No signal: the deck stops.
  if (strength < kNoSignalStrength) speed = 0.0;
  if (found > 0) {
    const double wordsPerSecond =
        decoderSelector.load(std::memory_order_relaxed) == 2 ? kShortCodeWordsPerSecond : kCodeWordsPerSecond;
    double seconds = position / found / wordsPerSecond;
    if (seconds >= kWrapSeconds) seconds -= kWrapSeconds;
    if (std::isfinite(seconds) && std::fabs(seconds - player->GetCurrentPos() / 44100.0) > kDriftSeconds) {
      followPosition(std::nearbyint(seconds * 44100.0));
    }
  }
  return speed;
}

double CLiveInputSource::decodeZeroCrossings(int n) {
  const double speed = zeroCrossing->process(inputBuffer.get(), n);
  const int a = zeroCrossing->getPosition(), b = zeroCrossing->getPreviousPosition();
  if (a > 0 && b > 0 && std::abs(a - b) <= 2) {
    if (std::abs(a - lastPosition) >= 2) followPosition(static_cast<double>(a) * kZeroCrossingUnitFrames);
    lastPosition = a;
  }
  return speed;
}

void CLiveInputSource::followPosition(double targetFrames) {
  if (!(targetFrames < player->GetLength())) return;
  player->PlayPause(1);
  if (relative.load(std::memory_order_relaxed) == 0) player->SetPositionAsync(targetFrames);
}

void CLiveInputSource::GetSamplesShort(short*, int) {}

float CLiveInputSource::GetCurrentBPM() {
  return deck != nullptr ? deck->GetCurrentBPM() : 0.0f;
}

int CLiveInputSource::GetCurrentPos() {
  return deck != nullptr ? deck->GetCurrentPos() : 0;
}

int CLiveInputSource::GetLength() {
  return deck != nullptr ? deck->GetLength() : -1;
}

void CLiveInputSource::BeforeGetSamples(int pass) {
  if (deck != nullptr) deck->BeforeGetSamples(pass);
}
