// The deck's tempo and beat arithmetic: the BPM it reports and its beat
// length, loop sizes in 1/64 beat, the nearest-beat information every deck
// computes at the start of each audio buffer, snapping to the beat grid,
// beat and bar skips, tempo matching and beat sync with another deck, the
// always-in-sync flag, a forced re-analysis with a typed tempo, and the key
// after key shift.
//
// The beat grid is the set of display points that the analysis marked; the
// audio thread reads it from the deck's beat bit set (see the header).

#include <algorithm>
#include <cmath>

#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "dsp/engine/sound_source.h"
#include "dsp/fast_log2.h"

namespace {

constexpr double kFramesPerMinute = 2646000.0;  // 60 s x 44100
constexpr int kDefaultBeatFrames = 22050;       // 120 BPM worth, for tracks without a tempo

}  // namespace

// ---------------------------------------------------------------------------
// Tempo

float CSoundSource::GetCurrentBPM() {
  if ((loadFlag.load(std::memory_order_acquire) & 1) || !trackReady.load(std::memory_order_acquire)) return 0;
  if (!analysisDone.load(std::memory_order_acquire)) return 0;
  const double position = playPosition.load(std::memory_order_relaxed);
  if (!isBlockDecoded(static_cast<int>(std::floor(std::max(0.0, position))) / kBlockFrames)) return 0;
  return detectedBpm.load(std::memory_order_relaxed);
}

float CSoundSource::GetCurrentBeatSize() {
  if ((loadFlag.load(std::memory_order_acquire) & 1) || !trackReady.load(std::memory_order_acquire)) return 0;
  const float bpm = GetCurrentBPM();
  return bpm > 1.0f ? static_cast<float>(kFramesPerMinute / bpm) : static_cast<float>(kDefaultBeatFrames);
}

int CSoundSource::ConvertSamplesTo64BeatDivisions(int frames, bool powerOfTwo) {
  const int beat = static_cast<int>(lrintf(GetCurrentBeatSize()));
  beatFrames.store(beat);
  if (frames <= 0 || beat == 0) return 0;
  const float x = static_cast<float>(frames) / (static_cast<float>(beat) * 0.015625f);
  if (frames <= beat || powerOfTwo) {
    const long r = lrintf(fastLog2(x));
    // Less than 1/64 beat is no whole division (a shift by a negative count
    // would make such a loop look enormous).
    if (r < 0) return 0;
    return 1 << std::min(r, 30L);
  }
  return static_cast<int>(lrintf(x));
}

int CSoundSource::GetPitch() const {
  if (timecodeMode.load(std::memory_order_relaxed)) {
    const double speed = std::fabs(desiredSpeed.load(std::memory_order_relaxed));
    return speed == 0.0 ? 0 : static_cast<int>(lrint((speed - 1.0) * 10000.0));
  }
  return pitch.load(std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------
// The beat grid

bool CSoundSource::beatMarkedAt(int point) const {
  if (!beatBits || point < 0 || point / 64 >= beatBitWords) return false;
  return (beatBits[point / 64].load(std::memory_order_relaxed) >> (point % 64)) & 1;
}

// The first marked point in [from, to], -1 when none.
int CSoundSource::findBeatMark(int from, int to) const {
  if (!beatBits) return -1;
  from = std::max(from, 0);
  to = std::min(to, beatBitWords * 64 - 1);
  for (int p = from; p <= to;) {
    const uint64_t word = beatBits[p / 64].load(std::memory_order_relaxed) >> (p % 64);
    if (word != 0) {
      const int found = p + __builtin_ctzll(word);
      return found <= to ? found : -1;
    }
    p = (p / 64 + 1) * 64;
  }
  return -1;
}

int CSoundSource::getNearestBeatSample(int back, int forward) {
  // The display arrays (and the beat bits) are freed under the display lock
  // when a track closes.
  displayLock.enterShared();
  const int result = nearestBeatSample(back, forward);
  displayLock.leaveShared();
  return result;
}

int CSoundSource::nearestBeatSample(int back, int forward) {
  const int length = lengthFrames.load(std::memory_order_acquire);
  if ((loadFlag.load(std::memory_order_acquire) & 1) || !trackReady.load(std::memory_order_acquire) ||
      length <= 0 || !opened.load(std::memory_order_acquire)) {
    return 0;
  }
  const int position = static_cast<int>(std::floor(playPosition.load(std::memory_order_relaxed)));
  const int f = forward == -1 ? back : forward;
  const int lastPoint = length / 100;
  const int from = std::clamp((position - back) / 100, 0, lastPoint);
  const int to = std::clamp((position + f) / 100, 0, lastPoint);
  const int mark = to > from ? findBeatMark(from, to - 1) : -1;
  if (mark < 0) return static_cast<int>(lrint(std::floor(playPosition.load(std::memory_order_relaxed))));
  const int at = std::min(mark * 100, length - 1);
  return at > 0 ? at : 0;
}

// ---------------------------------------------------------------------------
// Audio thread: nearest beats and sync

void CSoundSource::BeforeGetSamples(int pass) {
  if (pass != 0 && pass != 1) return;
  audioInside.store(1, std::memory_order_seq_cst);
  if (opened.load(std::memory_order_seq_cst)) {
    if (pass == 0) {
      CalculateNearestBeatsInfo();
    } else if (syncPending.load(std::memory_order_acquire)) {
      TryToSyncToOtherDeck(false);
    }
  } else if (pass == 0) {
    nearestPosition.store(0);
    nearestBeatLength.store(kDefaultBeatFrames);
    nearestBeatLengthExact.store(kDefaultBeatFrames);
    beatPhase.store(0.0f);
    beatInBar.store(-1);
  }
  audioInside.store(0, std::memory_order_seq_cst);
}

void CSoundSource::CalculateNearestBeatsInfo() {
  const int length = lengthFrames.load(std::memory_order_acquire);
  if ((loadFlag.load(std::memory_order_acquire) & 1) || !trackReady.load(std::memory_order_acquire) ||
      length <= 0) {
    nearestPosition.store(0);
    nearestBeatLength.store(kDefaultBeatFrames);
    nearestBeatLengthExact.store(kDefaultBeatFrames);
    beatPhase.store(0.0f);
    beatInBar.store(-1);
    return;
  }
  const double position = playPosition.load(std::memory_order_relaxed);
  const int P = static_cast<int>(std::floor(position));
  const float bpm = GetCurrentBPM();
  const double exact = bpm > 0 ? kFramesPerMinute / bpm : kDefaultBeatFrames;
  const int L = static_cast<int>(lrint(exact));
  const int G = length / 100;
  // Tempos are held to a sane range when read, so a beat spans many points;
  // the floor of 1 only guards the arithmetic.
  const int R = std::max(1, L / 100);
  const int v = std::clamp(P / 100, 0, G);

  // The next beat, in frames: the first mark within 4/3 beat, else one beat
  // before the first mark of the 4/3 beat after that (a gap in the grid);
  // none: the position itself (on the beat).
  double next = position;
  const int m = std::min(G, v + 4 * R / 3);
  const int w = findBeatMark(v, m);
  if (w >= 0) {
    next = w * 100.0;
  } else {
    const int j = findBeatMark(m, std::min(G, m + 4 * R / 3));
    if (j >= 0) {
      next = j * 100.0 - exact;
      // The audio thread never writes the display arrays: the mark is set
      // in the bit set and handed to "SC-streaming" for displayArrayB.
      const int point = j - R;
      if (point >= 0 && point / 64 < beatBitWords && !beatMarkedAt(point)) {
        beatBits[point / 64].fetch_or(uint64_t{1} << (point % 64), std::memory_order_relaxed);
        pendingBeatMark.store(point, std::memory_order_release);
      }
    }
  }
  // Measured from the exact position and beat length (not whole display
  // points), so that two decks' phases can be matched to the frame.
  double phase = 1.0 - (next - position) / exact;
  if (phase > 1.0) phase -= 1.0;  // the marked beat lies just behind
  phase = std::clamp(phase, 0.0, 1.0);
  if (currentSpeed.load(std::memory_order_relaxed) < 0) phase = 1.0 - phase;

  int bar = -1;
  if (L > 0) {
    const int E = static_cast<int>(lrintf(static_cast<float>(phase * L)));
    const int F = P - P % L;
    const int number = P - E <= F ? (F + E - L) / L : (F + E) / L;
    bar = number % 4;
  }
  nearestPosition.store(P);
  nearestBeatLength.store(L);
  nearestBeatLengthExact.store(exact);
  beatPhase.store(static_cast<float>(phase));
  beatInBar.store(bar);
}

void CSoundSource::GetNearestBeatsInfo(int& position, int& beatLength, float& phase, int& bar) const {
  position = nearestPosition.load();
  beatLength = nearestBeatLength.load();
  phase = beatPhase.load();
  bar = beatInBar.load();
}

void CSoundSource::TryToSyncToOtherDeck(bool force) {
  if (!force &&
      currentSpeed.load(std::memory_order_relaxed) != desiredSpeed.load(std::memory_order_relaxed)) {
    return;  // a tempo change is still ramping
  }
  CSoundSource* target = syncTarget.load(std::memory_order_acquire);
  if (target) {
    double d = beatPhase.load() - target->beatPhase.load();
    if (std::fabs(d) > 0.5) d += d > 0 ? -1.0 : 1.0;
    const double sign = desiredSpeed.load(std::memory_order_relaxed) < 0 ? -1.0 : 1.0;
    AdvanceDeckPosition(static_cast<float>(-nearestBeatLengthExact.load() * d * sign));
  }
  syncPending.store(0, std::memory_order_release);
}

void CSoundSource::AdvanceDeckPosition(float delta) {
  if ((loadFlag.load(std::memory_order_acquire) & 1) || stopping.load(std::memory_order_acquire) ||
      !trackReady.load(std::memory_order_acquire)) {
    return;
  }
  // In double precision: a float position is a whole frame off beyond six
  // minutes.
  const double position = playPosition.load(std::memory_order_relaxed);
  double target = position + delta;
  if (loop.active) {
    const int beat = beatFrames.load();
    if (target < loop.nextStart) {
      target += beat;
    } else if (target > loop.nextEnd) {
      target -= beat;
    }
    if (target < loop.nextStart || target > loop.nextEnd) return;
  } else if (target < 0 || target > lengthFrames.load(std::memory_order_acquire)) {
    return;
  }
  playPosition.store(target, std::memory_order_relaxed);
}

// ---------------------------------------------------------------------------
// Sync and match (user-interface side)

bool CSoundSource::syncChecks(CSoundSource* other, int& newPitch) {
  if (!other || (loadFlag.load(std::memory_order_acquire) & 1) ||
      !trackReady.load(std::memory_order_acquire)) {
    return false;
  }
  const float a = GetCurrentBPM();
  const float b = (other->loadFlag.load(std::memory_order_acquire) & 1) ? 0.0f : other->GetCurrentBPM();
  if (a == 0.0f || b == 0.0f) return false;
  newPitch = static_cast<int>(lrint(((other->GetPitch() / 10000.0 + 1.0) * b / a - 1.0) * 10000.0));
  return std::abs(newPitch) <= 5000;
}

bool CSoundSource::SyncDeckToOtherDeck(CSoundSource* other) {
  // Every refusal comes before anything changes.
  int newPitch = 0;
  if (!syncChecks(other, newPitch)) return false;
  if (!playing.load(std::memory_order_acquire)) PlayPause(1);
  if (newPitch != GetPitch()) SetPitch(newPitch);
  syncTarget.store(other, std::memory_order_release);
  syncPending.store(1, std::memory_order_release);
  return true;
}

bool CSoundSource::MatchDeckToOtherDeck(CSoundSource* other) {
  int newPitch = 0;
  if (!syncChecks(other, newPitch)) return false;
  if (newPitch != GetPitch()) SetPitch(newPitch);
  return true;
}

bool CSoundSource::setIsAlwaysInSync(bool on) {
  const bool value = on && gridSuitable.load();
  alwaysInSync.store(value);
  return value;
}

// ---------------------------------------------------------------------------
// Forced re-analysis

void CSoundSource::SetForceLockBPM(float bpm) {
  ZRLOG("CSoundSource::SetForceLockBPM -- value=%f", static_cast<double>(bpm));
  forceLockBpm.store(bpm);
  forceLockRequests.fetch_add(1, std::memory_order_acq_rel);
  wakeStreaming();
}

// ---------------------------------------------------------------------------
// Skips

void CSoundSource::skipBeats(int beats) {
  if (!readyForCommands() || loopPublished.read().inMarked || scratching.load()) return;
  const int b = static_cast<int>(lrintf(GetCurrentBeatSize()));
  beatFrames.store(b);
  const int sign = desiredSpeed.load(std::memory_order_relaxed) >= 0 ? 1 : -1;
  for (int i = 0; i < std::abs(beats); ++i) queueCommand(kCmdSkip, (beats > 0 ? sign : -sign) * b);
}

void CSoundSource::SkipBeatNext() {
  skipBeats(1);
}

void CSoundSource::SkipBeatPrev() {
  skipBeats(-1);
}

void CSoundSource::SkipBarNext() {
  skipBeats(4);
}

void CSoundSource::SkipBarPrev() {
  skipBeats(-4);
}

// ---------------------------------------------------------------------------
// Key

int CSoundSource::GetOriginalKeyIndex() {
  std::lock_guard<std::mutex> guard(detailsLock);
  const int key = currentSong_Details.pitchKey;
  return key >= 0 && key <= 24 ? key : 0;
}

int CSoundSource::GetCurrentKeyIndex() {
  const int k = GetOriginalKeyIndex();
  if (k == 0) return 0;
  const int s = static_cast<int>(lrintf(keyShiftCents.load(std::memory_order_relaxed) / 100.0f));
  const int root = (k - 1) % 12;
  const int block = k - 1 - root;
  int n = (root + s) % 12;
  if (n < 0) n += 12;
  return block + 1 + n;
}
