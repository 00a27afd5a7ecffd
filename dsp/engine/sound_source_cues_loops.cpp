// The deck's cues, loops and markers: 18 cue slots (16 hot cues, the mix-in
// and the mix-out cue) with the CUE button's preview and return, the active
// loop with a pending next loop (changes of short loops wait for a beat
// boundary), the last loop for ReLoop, 8 saved loops, and the sorted marker
// list for drawing.
//
// Cues are single words that any thread may write. The loop state belongs to
// the audio thread: the user-interface operations queue commands, which the
// audio thread carries out at the start of its next buffer and then publishes
// the whole state (see the header).

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/zr_logging.h"
#include "dsp/engine/sound_source.h"
#include "dsp/fast_log2.h"

namespace {

constexpr const char* kCueColors[12] = {"#FF0000", "#00FF00", "#0000FF", "#FFFF00", "#FF00FF", "#00FFFF",
                                        "#FF3F3F", "#3FFF3F", "#3F3FFF", "#FFFF3F", "#FF3FFF", "#3FFFFF"};

uint64_t packLoop(int start, int end) {
  return static_cast<uint64_t>(static_cast<uint32_t>(start)) |
         (static_cast<uint64_t>(static_cast<uint32_t>(end)) << 32);
}

int loopStartOf(uint64_t packed) {
  return static_cast<int32_t>(static_cast<uint32_t>(packed & 0xffffffffu));
}

int loopEndOf(uint64_t packed) {
  return static_cast<int32_t>(static_cast<uint32_t>(packed >> 32));
}

}  // namespace

// ---------------------------------------------------------------------------
// Cues

int CSoundSource::getCuePos(int cue) {
  if (!opened.load(std::memory_order_acquire)) return 0;
  if (cue == -1) cue = currentCue.load();
  if (cue < 0 || cue >= kCueSlots) return 0;
  return cues[cue].load();
}

void CSoundSource::setCuePos(int frames, int cue) {
  if (cue == -1) cue = currentCue.load();
  if (cue < 0 || cue >= kCueSlots) return;
  cues[cue].store(frames);
  if ((cue == kMixInCue || cue == kMixOutCue) && currentRecordValid.load(std::memory_order_acquire)) {
    std::lock_guard<std::mutex> guard(detailsLock);
    (cue == kMixInCue ? currentSong_Details.cueInUser : currentSong_Details.cueOutUser) = frames > 0;
  }
}

void CSoundSource::SetCueAtCurrentPos() {
  cueSetArmed.store(0);
  setCuePos(static_cast<int>(std::floor(playPosition.load(std::memory_order_relaxed))), -1);
}

void CSoundSource::ClearCurrentCue() {
  setCuePos(0, -1);
}

void CSoundSource::SetCurrentCue(int cue) {
  if (cue >= 0 && cue < kCueSlots) currentCue.store(cue);
}

void CSoundSource::getCueColor(int cue, char out[8]) {
  if (!out) return;
  if (cue == -1) cue = currentCue.load();
  const char* color = "#000000";
  if (opened.load(std::memory_order_acquire) && cue >= 0 && cue < kCueSlots) {
    color = cue < 12 ? kCueColors[cue] : "#FFFFFF";
  }
  std::memcpy(out, color, 8);
}

int CSoundSource::GetMixInCue() {
  if (!opened.load(std::memory_order_acquire)) return 0;
  const int cue = cues[kMixInCue].load();
  return cue < lengthFrames.load(std::memory_order_acquire) / 2 ? cue : 0;
}

int CSoundSource::GetMixOutCue() {
  const int length = GetLength();
  const int cue = cues[kMixOutCue].load();
  return cue > length / 2 && cue < length ? cue : length;
}

void CSoundSource::CUE() {
  if (!trackReady.load(std::memory_order_acquire)) return;
  const double position = playPosition.load(std::memory_order_relaxed);
  const bool isPlaying = playing.load(std::memory_order_acquire) != 0;
  if (position == static_cast<double>(getCuePos(-1))) {
    if (isPlaying) return;
    // A cue preview: releasing CUE returns to the cue.
    PlayPause(-1);
    playSwallow.store(1);
    return;
  }
  if (!isPlaying && cueSetArmed.load()) {
    setCuePos(static_cast<int>(std::floor(position)), -1);
    cueSetArmed.store(0);
    return;
  }
  cueSetArmed.store(0);
  playSwallow.store(0);
  cueReturnRequest.store(1, std::memory_order_release);
}

void CSoundSource::CUEUnClick() {
  if (!playSwallow.load()) return;
  if (std::abs(getCuePos(-1) - GetCurrentPos()) >= 4) CUE();
}

void CSoundSource::CUEplay() {
  if (!playing.load(std::memory_order_acquire)) {
    playing.store(1, std::memory_order_release);
    PlayStatusChanged(1);
  }
  cueSetArmed.store(0);
  queueCommand(kCmdExitLoop, 1);
  SetPositionAsync(getCuePos(-1));
  alwaysInSync.store(false);
  cueReturnRequest.store(0, std::memory_order_release);
}

void CSoundSource::BackToTop() {
  if (playing.load(std::memory_order_acquire)) {
    playing.store(0, std::memory_order_release);
    PlayStatusChanged(0);
  }
  jogSearchSum.store(0);
  jogScratchMode.store(0);
  queueCommand(kCmdExitLoop, 1);
  SetPositionAsync(0.0);
  cueReturnRequest.store(0, std::memory_order_release);
  cueSetArmed.store(0);
}

bool CSoundSource::GetCanSetCuePointNow() const {
  return cueSetArmed.load() && (!playing.load(std::memory_order_acquire) || scratching.load());
}

// Audio thread: the CUE button's return.
void CSoundSource::cueReturn(double& position) {
  if (playing.load(std::memory_order_acquire)) {
    playing.store(0, std::memory_order_release);
    reportPlayStatus(0, true);
  }
  jogSearchSum.store(0);
  jogScratchMode.store(0);
  alwaysInSync.store(false);
  exitLoop(true);
  const int cue = cues[std::clamp(currentCue.load(), 0, kCueSlots - 1)].load();
  if (cue < lengthFrames.load(std::memory_order_acquire)) {
    announceSeekFrom(position, cue);
    position = cue;
  }
  // A load request cleared the ready flag; only its own open sets it again.
  if (!(loadFlag.load(std::memory_order_acquire) & 1)) trackReady.store(1, std::memory_order_release);
}

// ---------------------------------------------------------------------------
// Loop operations: queued for the audio thread

void CSoundSource::queueCommand(int type, int a, int b) {
  commands.enqueue(DeckCommand{type, a, b, trackGeneration.load(std::memory_order_acquire)});
}

void CSoundSource::DoLoopInEnd() {
  queueCommand(kCmdLoopInEnd);
}

void CSoundSource::DoLoopFixed(int sixtyfourths, bool fromBeat) {
  if (loopMode.load() == 1) {
    DoInstantLoopFixed(sixtyfourths);
    return;
  }
  queueCommand(kCmdLoopFixed, sixtyfourths, fromBeat ? 1 : 0);
}

void CSoundSource::DoInstantLoopFixed(int sixtyfourths) {
  queueCommand(kCmdInstantLoop, sixtyfourths);
}

void CSoundSource::ResizeLoop(int deltaFrames) {
  queueCommand(kCmdResizeLoop, deltaFrames);
}

void CSoundSource::MoveLoop(int deltaFrames) {
  queueCommand(kCmdMoveLoop, deltaFrames);
}

void CSoundSource::ReLoop() {
  queueCommand(kCmdReLoop);
}

void CSoundSource::ExitLoop(int immediate) {
  queueCommand(kCmdExitLoop, immediate ? 1 : 0);
}

void CSoundSource::SlipJump(int frames) {
  queueCommand(kCmdSlipJump, frames);
}

void CSoundSource::SlipLoop(int frames, int sixtyfourths) {
  queueCommand(kCmdSlipLoop, frames, sixtyfourths);
}

void CSoundSource::SlipEnd() {
  queueCommand(kCmdSlipEnd);
}

void CSoundSource::SetSlipSpeedRatio(double ratio) {
  if (ratio > 0) slipSpeedRatio.store(ratio, std::memory_order_relaxed);
}

void CSoundSource::SaveOrRecallLoopNo(int slot) {
  if (slot < 0 || slot >= kSavedLoops || !readyForCommands()) return;
  const uint64_t saved = savedLoops[slot].load();
  const int start = loopStartOf(saved), end = loopEndOf(saved);
  const TLoopInfo now = GetLoopInfo();
  if (start >= 0 && end >= 0) {
    if (now.active && now.start == start) {
      queueCommand(kCmdLeaveSavedLoop, end);
    } else {
      queueCommand(kCmdRecallLoop, start, end);
      PlayPause(1);
    }
  } else if (now.active) {
    storeSavedLoop(slot, now.start, now.end);
  }
}

void CSoundSource::SetLoopNo(int slot, int start, int end) {
  if (slot < 0 || slot >= kSavedLoops || !readyForCommands()) return;
  storeSavedLoop(slot, start, end);
}

void CSoundSource::storeSavedLoop(int slot, int start, int end) {
  savedLoops[slot].store(packLoop(start, end));
}

int CSoundSource::GetLoopNoStart(int slot) const {
  if (slot < 0 || slot >= kSavedLoops) return -1;
  return loopStartOf(savedLoops[slot].load());
}

int CSoundSource::GetLoopNoEnd(int slot) const {
  if (slot < 0 || slot >= kSavedLoops) return -1;
  return loopEndOf(savedLoops[slot].load());
}

TLoopInfo CSoundSource::GetLoopInfo() const {
  if (!opened.load(std::memory_order_acquire)) return TLoopInfo{};
  return loopPublished.read();
}

int CSoundSource::GetCurrentLoopSize() {
  const TLoopInfo info = GetLoopInfo();
  return info.active ? info.length : -1;
}

int CSoundSource::GetLoopSizeIn64Divisions() {
  const TLoopInfo info = GetLoopInfo();
  return info.active ? ConvertSamplesTo64BeatDivisions(info.length, true) : 0;
}

bool CSoundSource::readyForCommands() const {
  return !(loadFlag.load(std::memory_order_acquire) & 1) && !stopping.load(std::memory_order_acquire) &&
         trackReady.load(std::memory_order_acquire) && opened.load(std::memory_order_acquire);
}

// ---------------------------------------------------------------------------
// Loop state on the audio thread

void CSoundSource::publishLoop() {
  loopPublished.publish(loop);
  loopDirty = false;
}

// On "SC-streaming" while the deck is closed (the audio thread leaves a closed
// deck alone): the state of a newly opened track.
void CSoundSource::resetCuesAndLoops(int length) {
  for (int i = 0; i < kCueSlots; ++i) cues[i].store(0);
  cues[kMixOutCue].store(length);
  currentCue.store(0);
  for (int i = 0; i < kSavedLoops; ++i) storeSavedLoop(i, -1, -1);
  playSwallow.store(0);
  cueSetArmed.store(0);
  // The previous track's loop, last loop included, means nothing here.
  loop = TLoopInfo{};
  publishLoop();
  slipActive = false;
  slipPublished.store(false, std::memory_order_release);
  // Commands queued for the previous track are dropped from now on.
  trackGeneration.fetch_add(1, std::memory_order_acq_rel);
}

void CSoundSource::runCommands(double& position) {
  const uint32_t generation = trackGeneration.load(std::memory_order_acquire);
  DeckCommand c;
  while (commands.try_dequeue(c)) {
    if (c.generation != generation || !readyForCommands()) continue;
    runCommand(c, position);
  }
}

void CSoundSource::runCommand(const DeckCommand& c, double& position) {
  switch (c.type) {
    case kCmdLoopInEnd:
      loopInEnd(position);
      break;
    case kCmdLoopFixed:
      loopFixed(c.a, c.b != 0, position);
      break;
    case kCmdInstantLoop:
      instantLoop(c.a, position);
      break;
    case kCmdResizeLoop:
      resizeLoop(c.a, position);
      break;
    case kCmdMoveLoop:
      moveLoop(c.a, position);
      break;
    case kCmdReLoop:
      reLoop();
      break;
    case kCmdExitLoop:
      exitLoop(c.a != 0);
      break;
    case kCmdRecallLoop:
      recallLoop(c.a, c.b);
      break;
    case kCmdLeaveSavedLoop:
      if (loop.active) {
        loop.end = loop.nextEnd = c.a;
        loop.length = loop.nextLength = loop.end - loop.start + 1;
        exitLoop(false);
      }
      break;
    case kCmdSkip:
      skipFrames(c.a, position);
      break;
    case kCmdSlipJump:
    case kCmdSlipLoop: {
      beginSlip(position);
      if (loop.active || loop.inMarked) leaveLoop();
      const int length = lengthFrames.load(std::memory_order_acquire);
      if (c.a >= 0 && c.a < length) {
        announceSeekFrom(position, c.a);
        position = c.a;
      }
      if (c.type == kCmdSlipLoop && c.b > 0) loopFixed(c.b, false, position);
      break;
    }
    case kCmdSlipEnd:
      endSlip(position);
      break;
    default:
      break;
  }
  loopDirty = true;
}

void CSoundSource::loopInEnd(double position) {
  if (loop.active) {
    resizeLoop(-loop.length / 2, position);
    return;
  }
  const int beat = static_cast<int>(lrintf(GetCurrentBeatSize()));
  if (beat <= 0) return;
  beatFrames.store(beat);
  if (loop.inMarked) {
    loop.inMarked = false;
    const double d = std::fabs(position - loop.nextStart);
    const double n = std::floor(d / (beat / 16.0));
    // The next power of two of sixteenth beats above the distance.
    const int k = static_cast<int>(std::floor(fastLog2(static_cast<float>(n)))) + 1;
    const int64_t frames = (static_cast<int64_t>(beat) << (k & 31)) / 16;
    const double g = loop.nextStart + static_cast<double>(frames);
    if (lrint(g) >= lengthFrames.load(std::memory_order_acquire)) {
      loop.nextEnd = 0;
      return;
    }
    loop.end = loop.nextEnd = static_cast<int>(lrint(g - 1));
    loop.length = loop.nextLength = loop.end - loop.start + 1;
    loop.slipFrames = 0;
    loop.active = true;
    loopStateChanged.store(true);
    return;
  }
  loop.wraps = 0;
  loop.inMarked = true;
  loop.start = loop.nextStart = nearestBeatSample(beat * 3 / 4, -1);
}

// The common start of the fixed-size loops: the size of the active loop
// again leaves it; otherwise the beat length in frames (0: nothing to do).
int CSoundSource::fixedLoopBeat(int sixtyfourths) {
  if (sixtyfourths <= 0) return 0;
  if (loop.active && ConvertSamplesTo64BeatDivisions(loop.length, true) == sixtyfourths) {
    exitLoop(false);
    return 0;
  }
  loop.inMarked = false;
  const int beat = static_cast<int>(lrintf(GetCurrentBeatSize()));
  beatFrames.store(beat);
  return beat;
}

void CSoundSource::loopFixed(int sixtyfourths, bool fromBeat, double position) {
  const int beat = fixedLoopBeat(sixtyfourths);
  if (beat <= 0) return;
  const int64_t x = static_cast<int64_t>(sixtyfourths) * beat / 64;
  int g;
  if (loop.active) {
    g = loop.nextStart;
  } else {
    loop.wraps = 0;
    g = sixtyfourths >= 64 && fromBeat ? nearestBeatSample(beat - 1, 1)
                                       : static_cast<int>(std::floor(position));
    loop.start = loop.nextStart = g;
  }
  if (lrint(static_cast<double>(x + g)) >= lengthFrames.load(std::memory_order_acquire)) {
    if (!loop.active) loop.nextEnd = 0;
    return;
  }
  const int end = static_cast<int>(lrint(static_cast<double>(x + g - 1)));
  loop.nextEnd = end;
  loop.nextLength = end - g + 1;
  if (loop.active) {
    loop.changePending = loop.nextEnd != loop.end;
  } else {
    loop.end = end;
    loop.length = loop.nextLength;
    loop.slipFrames = 0;
  }
  loop.active = true;
  loopStateChanged.store(true);
}

void CSoundSource::instantLoop(int sixtyfourths, double position) {
  const int beat = fixedLoopBeat(sixtyfourths);
  if (beat <= 0) return;
  const int x = static_cast<int>(static_cast<int64_t>(sixtyfourths) * beat / 64);
  if (loop.active) {
    // Clamped at the track's start, where the loop may already begin.
    loop.nextStart = std::max(0, static_cast<int>(lrint(static_cast<double>(loop.nextEnd) - x + 1)));
    loop.nextLength = loop.nextEnd - loop.nextStart + 1;
    loop.changePending = loop.nextStart != loop.start;
  } else {
    loop.wraps = 0;
    loop.end = loop.nextEnd = static_cast<int>(std::floor(position));
    // A loop longer than what was played starts at the track's start.
    loop.start = loop.nextStart = std::max(0, loop.end - x);
    loop.length = loop.nextLength = loop.end + 1 - loop.start;
    loop.slipFrames = 0;
  }
  loop.active = true;
  loopStateChanged.store(true);
}

void CSoundSource::resizeLoop(int delta, double position) {
  if (!loop.active || loop.changePending) return;
  if (ConvertSamplesTo64BeatDivisions(delta + loop.nextLength, true) <= 3) return;
  if (loop.nextEnd + delta >= lengthFrames.load(std::memory_order_acquire)) return;
  loop.nextEnd += delta;
  loop.nextLength = loop.nextEnd - loop.start + 1;
  loop.changePending = true;
  if (!playing.load(std::memory_order_acquire) && loop.nextStart < position && position < loop.nextEnd) {
    loop.wraps = 0;
    loop.start = loop.nextStart;
    loop.end = loop.nextEnd;
    loop.length = loop.nextLength;
    loop.changePending = false;
    loopStateChanged.store(true);
  }
}

void CSoundSource::moveLoop(int delta, double position) {
  if (!loop.active || loop.changePending) return;
  if (loop.nextStart != loop.start || loop.nextEnd != loop.end) return;
  if (loop.end + delta >= lengthFrames.load(std::memory_order_acquire) || loop.start + delta < 0) return;
  loop.nextStart = loop.start + delta;
  loop.nextEnd = loop.end + delta;
  loop.nextLength = loop.length;
  loop.changePending = true;
  if (!playing.load(std::memory_order_acquire) && loop.nextStart < position && position < loop.nextEnd) {
    loop.wraps = 0;
    loop.start = loop.nextStart;
    loop.end = loop.nextEnd;
    loop.changePending = false;
    loopStateChanged.store(true);
  }
}

void CSoundSource::reLoop() {
  if (loop.lastLength <= 43) return;
  loop.start = loop.nextStart = loop.lastStart;
  loop.end = loop.nextEnd = loop.lastEnd;
  loop.length = loop.nextLength = loop.lastLength;
  loop.active = true;
  loop.inMarked = false;
  loop.changePending = loop.exitPending = false;
  loop.slipFrames = loop.wraps = 0;
  loopStateChanged.store(true);
}

void CSoundSource::exitLoop(bool immediate) {
  if (loop.active) {
    loop.lastStart = loop.start;
    loop.lastEnd = loop.end;
    loop.lastLength = loop.length;
  } else if (!loop.inMarked) {
    return;
  }
  if (!immediate && loop.active && !loop.inMarked) {
    loop.exitPending = true;
    return;
  }
  if (!immediate && loop.inMarked) {
    const int s = ConvertSamplesTo64BeatDivisions(loop.active ? loop.length : -1, true);
    if (s > 0 && s < 64 && loop.wraps % (64 / s) != 0) {
      loop.exitPending = true;
      return;
    }
  }
  leaveLoop();
}

void CSoundSource::leaveLoop() {
  const bool was = loop.active;
  loop.nextEnd = 0;
  loop.active = false;
  loop.inMarked = false;
  loop.exitPending = false;
  loop.changePending = false;
  loop.slipFrames = loop.wraps = 0;
  loopDirty = true;
  if (was) loopStateChanged.store(true);
}

void CSoundSource::recallLoop(int start, int end) {
  loop.start = loop.nextStart = start;
  loop.end = loop.nextEnd = end;
  loop.length = loop.nextLength = end - start + 1;
  loop.active = true;
  loop.inMarked = false;
  loop.changePending = loop.exitPending = false;
  loop.slipFrames = loop.wraps = 0;
  loopStateChanged.store(true);
}

void CSoundSource::beginSlip(double position) {
  if (slipActive) return;
  slipActive = true;
  slipPosition = position;
  slipPublished.store(true, std::memory_order_release);
}

void CSoundSource::endSlip(double& position) {
  if (!slipActive) return;
  slipActive = false;
  slipPublished.store(false, std::memory_order_release);
  if (loop.active || loop.inMarked) leaveLoop();
  const int length = lengthFrames.load(std::memory_order_acquire);
  const double target = std::clamp(slipPosition, 0.0, std::max(0.0, length - 1.0));
  announceSeekFrom(position, target);
  position = target;
}

// A beat skip: kept inside an active loop, refused outside the track.
void CSoundSource::skipFrames(int delta, double& position) {
  if (loop.inMarked || scratching.load(std::memory_order_relaxed)) return;
  double target = position + delta;
  if (loop.active) {
    if (std::abs(delta) >= loop.length) return;
    if (target > loop.end) {
      target -= loop.length;
    } else if (target < loop.start) {
      target += loop.length;
    }
  } else if (target < 0 || target >= lengthFrames.load(std::memory_order_acquire)) {
    return;
  }
  position = target;
}

// Changes of a loop shorter than a beat wait until it has played a whole
// number of beats.
bool CSoundSource::loopChangeAllowed() {
  const int s = ConvertSamplesTo64BeatDivisions(loop.length, true);
  return s < 1 || s >= 64 || loop.wraps % (64 / s) == 0;
}

bool CSoundSource::loopFrame(double& position, double speed, int readOffset) {
  if (!loop.active && !loop.inMarked) return false;
  if (loop.inMarked && std::fabs(position - loop.start) >= 32.0 * bufferBeatSize) {
    exitLoop(false);
    loopDirty = true;
  }
  if (!loop.active) return false;
  if (scratching.load(std::memory_order_relaxed)) return true;

  const bool nextDiffers = loop.nextStart != loop.start || loop.nextEnd != loop.end;
  if (nextDiffers || loop.exitPending) {
    const bool allowed = loopChangeAllowed();
    if (allowed && nextDiffers) {
      loop.wraps = 0;
      const bool inside = position > loop.nextStart && position < loop.nextEnd;
      const bool jumpedOver = std::abs(loop.nextStart - loop.start) > loop.length - 50 &&
                              (position < loop.start || position > loop.end);
      if (inside || jumpedOver) {
        loop.start = loop.nextStart;
        loop.end = loop.nextEnd;
        loop.length = loop.nextLength;
        loop.changePending = false;
        loopStateChanged.store(true);
      }
      loopDirty = true;
    }
    if (allowed && loop.exitPending) {
      const int slip = loopMode.load(std::memory_order_relaxed) == 1 ? loop.slipFrames : 0;
      leaveLoop();
      if (slip != 0) {
        announceSeekFrom(position, position + slip);
        position += slip;
      }
      return false;
    }
  }

  // Wrap, so that the frames heard are exactly start..end: the reader
  // outputs frame floor(position) - readOffset.
  const double lo = speed < 0 ? loop.start + readOffset : loop.start;
  const double hi = speed < 0 ? loop.end + readOffset + 1 : loop.end + readOffset;
  double target = position;
  if (position > hi) {
    target = position - loop.length;
    if (target < lo || target > hi) target = loop.start + readOffset;
  } else if (position < lo) {
    target = position + loop.length;
    if (target < lo || target > hi) target = loop.end + readOffset;
  } else {
    return true;
  }
  announceSeekFrom(position, target);
  position = target;
  ++loop.wraps;
  // Slip counts the frames playback would have moved on, in its direction.
  loop.slipFrames += speed < 0 ? -loop.length : loop.length;
  loopDirty = true;
  return true;
}

// ---------------------------------------------------------------------------
// Markers

void CSoundSource::GetTrackMarkers(TTrackMarker** out, int& count) {
  count = 0;
  if (out) *out = markers;
  const int length = GetLength();
  if (length <= 0) return;
  const int current = currentCue.load();
  const auto add = [&](int frames, const ZRString& label, int kind) {
    if (count >= kMaxMarkers) return;
    TTrackMarker& m = markers[count++];
    m.label = label;
    m.r = m.g = m.b = m.a = 1.0f;
    m.position = static_cast<float>(frames) / static_cast<float>(length);
    m.penWidth = 1;
    m.kind = kind;
  };
  if (autoCueEnabled.load()) {
    const int in = current == kMixInCue ? cues[kMixInCue].load() : GetMixInCue();
    if (in >= 1) add(in, ZRString("In"), kMarkerMixIn);
    const int out = current == kMixOutCue ? cues[kMixOutCue].load() : GetMixOutCue();
    if (out > 0 && out < length - 1) add(out, ZRString("Out"), kMarkerMixOut);
  }
  for (int i = 0; i < kHotCueCount; ++i) {
    const int cue = cues[i].load();
    if (cue > 0 && i != current) add(cue, ZRString::format("%d", i + 1), kMarkerHotCue);
  }
  if (current < kHotCueCount && cues[current].load() > 0) {
    add(cues[current].load(), ZRString::format("%d", current + 1), kMarkerCurrentCue);
  }
  const TLoopInfo info = GetLoopInfo();
  if (info.active) {
    add(info.start, ZRString(">"), kMarkerLoopStart);
    add(info.end, ZRString(), kMarkerLoopEnd);
  }
  for (int i = 0; i < kSavedLoops; ++i) {
    const uint64_t saved = savedLoops[i].load();
    const int start = loopStartOf(saved), end = loopEndOf(saved);
    if (start < 0 || end < 0 || (info.active && start == info.start)) continue;
    add(start, ZRString::format("%d", i + 1), kMarkerSavedLoopStart);
    add(end, ZRString(), kMarkerSavedLoopEnd);
  }
  insertionSort_Markers(markers, count);
}

void CSoundSource::insertionSort_Markers(TTrackMarker* list, int count) {
  for (int i = 1; i < count; ++i) {
    TTrackMarker m = list[i];
    int j = i - 1;
    while (j >= 0 && list[j].position > m.position) {
      list[j + 1] = list[j];
      --j;
    }
    list[j + 1] = m;
  }
}
