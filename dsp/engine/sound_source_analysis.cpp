// Where the deck's decoding meets the track analysis: preparing the display
// arrays for a new track, the stripe data and stored cues and loops of a
// known track, the per-block analysis input, the hand-over to the final
// analysis on "SC-bpm2" once every block is decoded, the automatic mix-in and
// mix-out cues, a forced re-analysis with a typed tempo, and writing the
// results back to the library when the track closes.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "database/zr_database.h"
#include "database/zr_stripe_file.h"
#include "dsp/audio_display_processing.h"
#include "dsp/engine/sound_source.h"
#include "dsp/fast_log2.h"
#include "dsp/zr_audio_detection.h"

namespace {

constexpr int kPointsPerBlock = 441;
// Three seconds of display points: shorter tracks are not analysed.
constexpr int kMinAnalysisPoints = 1324;
// Tracks shorter than a minute get no automatic cues.
constexpr int kMinAutoCueFrames = 2646000;

// A tempo read from a file, held to the range the deck's beat arithmetic is
// made for; 1 or less means none and stays as it is.
float saneTempo(float bpm) {
  if (!(bpm > 1.0f)) return bpm;
  return std::clamp(bpm, CSoundSource::kMinTempoBpm, CSoundSource::kMaxTempoBpm);
}

// A suggested tempo from a file: -1 none, -2 and -3 choose a range, above 1
// a tempo (held to the sane range).
float saneSuggestedTempo(float bpm) {
  if (!(bpm == bpm)) return -1.0f;  // NaN
  return bpm > 1.0f ? saneTempo(bpm) : std::max(bpm, -3.0f);
}

// A display value without the beat mark the detector may have added to it.
float unmarked(float v) {
  if (v > 40.0f) {
    if (v > 50.0f && v < 60.0f) v -= 55.0f;
    if (v > 60.0f && v < 70.0f) v -= 65.0f;
    if (v > 70.0f && v < 80.0f) v -= 75.0f;
  }
  return v;
}

}  // namespace

void CSoundSource::setSteadyBpmDetectionMode(bool on) {
  if (steadyBpmDetection.exchange(on) != on) recreateDetector.store(true);
}

void CSoundSource::setAutoCueDetectParams(bool useArrayA, float thresholdIn, float thresholdOut) {
  autoCueUseArrayA.store(useArrayA);
  autoCueThresholdIn.store(thresholdIn);
  autoCueThresholdOut.store(thresholdOut);
}

void CSoundSource::StartUseDisplayData() {
  displayLock.enterExclusive();
}

void CSoundSource::StopUseDisplayData() {
  displayLock.leaveExclusive();
}

void CSoundSource::prepareAnalysis() {
  if (recreateDetector.exchange(false)) {
    delete detector;
    detector = ZRAudioDetection::create(true, false, steadyBpmDetection.load());
    if (detector) detector->setMarkValues(55.0f, 65.0f);
  }
  if (detector) detector->resetAndStartProcessing(lengthFrames.load(std::memory_order_acquire), 0);
  if (displayProcessing) displayProcessing->reset();
  displayGain.store(1.0f, std::memory_order_relaxed);
  gridSuitable.store(detector ? detector->isBeatGridSuitableForAlwaysInSync() : false);
  if (!gridSuitable.load()) alwaysInSync.store(false);
  suggestedBpm = -1.0f;
  detectedBpm.store(0.0f, std::memory_order_relaxed);
  analysisDone.store(false, std::memory_order_release);
  analysisStarted = false;
  beatGrid.clear();
  analysedBlocks.assign(static_cast<size_t>(blockCount.load(std::memory_order_acquire)), 0);
  const int points = blockCount.load(std::memory_order_acquire) * kPointsPerBlock;
  displayLock.enterExclusive();
  for (float** array : {&displayArrayA, &displayArrayB, &displayArrayC, &onsetArray}) {
    delete[] * array;
    *array = new float[points + 1];
    std::memset(*array, 0, sizeof(float) * static_cast<size_t>(points + 1));
  }
  delete[] beatBits;
  // Sized for the longest track: the audio thread reads the bits, so they never move while a track is
  // open, also when the decode finds it longer than announced.
  beatBitWords = kMaxBlocks * kPointsPerBlock / 64 + 1;
  beatBits = new std::atomic<uint64_t>[static_cast<size_t>(beatBitWords)];
  for (int i = 0; i < beatBitWords; ++i) beatBits[i].store(0, std::memory_order_relaxed);
  pendingBeatMark.store(-1);
  displayPointCount = points;
  displayLock.leaveExclusive();
}

void CSoundSource::resizeAnalysis(int blocks) {
  const int points = blocks * kPointsPerBlock;
  analysedBlocks.resize(static_cast<size_t>(blocks), 0);
  displayLock.enterExclusive();
  const int oldPoints = displayPointCount;
  const int kept = std::min(points, oldPoints);
  for (float** array : {&displayArrayA, &displayArrayB, &displayArrayC, &onsetArray}) {
    float* resized = new float[points + 1];
    std::memset(resized, 0, sizeof(float) * static_cast<size_t>(points + 1));
    if (*array) std::memcpy(resized, *array, sizeof(float) * static_cast<size_t>(kept));
    delete[] * array;
    *array = resized;
  }
  displayPointCount = points;
  displayLock.leaveExclusive();
  // Beat bits past the end are cleared: the audio thread must not find beats there.
  for (int p = points; p < oldPoints && p / 64 < beatBitWords; ++p) {
    beatBits[p / 64].fetch_and(~(uint64_t{1} << (p % 64)), std::memory_order_relaxed);
  }
}

int CSoundSource::storedStripeBlocks() {
  if (!currentRecordValid.load(std::memory_order_acquire)) return -1;
  ZRString stripe;
  {
    std::lock_guard<std::mutex> guard(detailsLock);
    stripe = currentSong_Details.stripe;
  }
  if (stripe.len() < 3) return -1;
  const int points = readStripePointCount(stripeFilePath(stripesFolder, stripe));
  if (points <= 0 || points % kPointsPerBlock != 0 || points / kPointsPerBlock > kMaxBlocks) return -1;
  return points / kPointsPerBlock;
}

void CSoundSource::releaseAnalysis() {
  displayLock.enterExclusive();
  for (float** array : {&displayArrayA, &displayArrayB, &displayArrayC, &onsetArray}) {
    delete[] * array;
    *array = nullptr;
  }
  delete[] beatBits;
  beatBits = nullptr;
  beatBitWords = 0;
  displayPointCount = 0;
  displayLock.leaveExclusive();
}

// Sets the beat bits of [from, to) from the marks in displayArrayB (a point
// is marked once its value reaches the mark, less a rounding margin).
void CSoundSource::setBeatBitsFromDisplay(int from, int to) {
  if (!beatBits || !displayArrayB) return;
  to = std::min(to, displayPointCount);
  for (int p = std::max(0, from); p < to; ++p) {
    if (displayArrayB[p] >= 54.999f) {
      beatBits[p / 64].fetch_or(uint64_t{1} << (p % 64), std::memory_order_relaxed);
    }
  }
}

// "SC-streaming": a beat the audio thread added to fill a gap in the grid
// goes into displayArrayB (drawn and saved with it), unless the final
// analysis is writing the array right now.
void CSoundSource::applyHandedOverBeatMark() {
  if (analysisStarted && !analysisDone.load(std::memory_order_acquire)) return;
  const int point = pendingBeatMark.exchange(-1, std::memory_order_acq_rel);
  if (point < 0 || point >= displayPointCount || !displayArrayB) return;
  // Once decoding is over the arrays are only read, by the waveform under
  // the display lock: this late change takes the lock too.
  displayLock.enterExclusive();
  if (displayArrayB[point] < 50.0f) displayArrayB[point] += 55.0f;
  displayLock.leaveExclusive();
}

// "SC-streaming": SetForceLockBPM's request. An earlier final analysis may
// still be marking beats: it is waited for before the marks go.
void CSoundSource::applyForcedAnalysis() {
  const int requests = forceLockRequests.load(std::memory_order_acquire);
  if (requests == forceLockApplied.load(std::memory_order_relaxed)) return;
  if (!opened.load(std::memory_order_acquire)) {
    forceLockApplied.store(requests, std::memory_order_release);
    return;
  }
  delete analysisThread;
  analysisThread = nullptr;
  suggestedBpm = saneSuggestedTempo(forceLockBpm.load());
  if (displayArrayB) {
    displayLock.enterExclusive();
    for (int p = 0; p < displayPointCount; ++p) displayArrayB[p] = unmarked(displayArrayB[p]);
    displayLock.leaveExclusive();
  }
  for (int i = 0; i < beatBitWords; ++i) beatBits[i].store(0, std::memory_order_relaxed);
  pendingBeatMark.store(-1);
  if (detector) detector->resetForBpmSuggested();
  stripeLoaded.store(false, std::memory_order_release);
  needsAnalysis = true;
  analysisDone.store(false, std::memory_order_release);
  analysisStarted = false;
  forceLockApplied.store(requests, std::memory_order_release);
}

// The cues and loops stored for the track, each checked against the track:
// a record from the library may come from another version of the file.
void CSoundSource::takeOverCuesAndLoops(const TZRDatabaseTrack& record) {
  const int length = lengthFrames.load(std::memory_order_acquire);
  for (int i = 0; i < kSavedLoops; ++i) {
    const TZRDatabaseLoop& l = record.loops[i];
    const bool valid = l.in >= 0 && l.in < l.out && l.out <= length;
    storeSavedLoop(i, valid ? l.in : -1, valid ? l.out : -1);
  }
  for (int i = 0; i < kHotCueCount; ++i) {
    const int cue = record.cues[i];
    cues[i].store(cue > 0 && cue < length ? cue : 0);
  }
  if (record.cueIn > 0 && record.cueIn < length) cues[kMixInCue].store(record.cueIn);
  if (record.cueOut > 0 && record.cueOut <= length) cues[kMixOutCue].store(record.cueOut);
  currentCue.store(record.currentCue >= 0 && record.currentCue < kHotCueCount ? record.currentCue : 0);
}

bool CSoundSource::loadDetailsFromDatabase() {
  if (!currentRecordValid.load(std::memory_order_acquire)) {
    ZRLOG("error: loadDetailsFromDatabase: not valid");
    return false;
  }
  TZRDatabaseTrack record = getCurrentTrack();
  suggestedBpm = saneSuggestedTempo(record.suggestedBpm);
  takeOverCuesAndLoops(record);
  ZRLOG(
      "loadDetailsFromDatabase: '%s' cueSel=%d; cue0=%d, cue1=%d, cue2=%d "
      "(currentSong_Details.current_cue=%d)",
      record.tags[kTagTitle], currentCue.load(), cues[0].load(), cues[1].load(), cues[2].load(),
      record.currentCue);
  if (detectMusicalKey.load() && !(record.pitchKey > 0 && !record.tags[kTagKey].empty())) return false;
  const float bpm = saneTempo(record.bpm);
  if (record.stripe.len() < 3 || bpm <= 1.0f) return false;
  const ZRString path = stripeFilePath(stripesFolder, record.stripe);
  ZRLOG("loading full stripe='%s'", path);
  ZRStripeData data;
  const ZRStripeReadResult result = readStripeFile(path, displayPointCount, detector != nullptr, &data);
  if (result == ZRStripeReadResult::kMissing) {
    std::lock_guard<std::mutex> guard(detailsLock);
    currentSong_Details.stripe = ZRString();
    return false;
  }
  if (result != ZRStripeReadResult::kOk) return false;
  std::memcpy(onsetArray, data.onsets.data(), sizeof(float) * data.onsets.size());
  std::memcpy(displayArrayA, data.amplitudes.data(), sizeof(float) * data.amplitudes.size());
  displayGain.store(data.displayGain, std::memory_order_relaxed);
  gridSuitable.store(data.gridSuitable);
  if (!data.gridSuitable) alwaysInSync.store(false);
  beatGrid = std::move(data.beats);
  detectedBpm.store(bpm, std::memory_order_relaxed);
  analysisDone.store(true, std::memory_order_release);
  ZRLOG("loaded OK full stripe");
  return true;
}

void CSoundSource::analyseBlock(int index, const ZRAudioBlock* block) {
  const int f = index * kPointsPerBlock;
  if (f + kPointsPerBlock > displayPointCount || !displayArrayA) return;
  // A block decoded again (after it was released) is not fed twice: the
  // detector would count it twice, beat marks would be added twice, and the
  // final analysis may already be reading the arrays.
  if (analysedBlocks[index]) return;
  analysedBlocks[index] = 1;
  if (displayProcessing) {
    displayProcessing->process(block->samples, block->frames, 2, displayArrayA + f, displayArrayB + f,
                               nullptr, displayArrayC + f, nullptr);
  }
  if (!detector) return;
  if (stripeLoaded.load(std::memory_order_relaxed)) {
    detector->markBeatsPositionsForInterval(displayArrayB, displayPointCount, f, f + kPointsPerBlock,
                                            beatGrid, -1, 4);
    setBeatBitsFromDisplay(f, f + kPointsPerBlock);
  } else {
    detector->process(block->samples, block->frames, 2, onsetArray + f, 0);
    const float m = displayProcessing ? displayProcessing->getMaxValue() : 0.0f;
    if (m > 0.05f) displayGain.store(1.0f / m, std::memory_order_relaxed);
  }
}

void CSoundSource::finishDecoding() {
  if (loadFlag.load(std::memory_order_acquire) & 1) return;
  if (analysisDone.load(std::memory_order_acquire) || analysisStarted) return;
  const int count = blockCount.load(std::memory_order_acquire);
  if (count <= 0 || GetLoadingProgressPercent() < 100) return;
  if (stripeLoaded.load(std::memory_order_relaxed)) {
    analysisDone.store(true, std::memory_order_release);
    pendingEvent.fetch_or(kEventAnalysisFinished, std::memory_order_acq_rel);
    return;
  }
  analysisStarted = true;
  if (stopping.load(std::memory_order_acquire)) return;
  delete analysisThread;
  analysisThread = new ZRThread(
      [](void* data) {
        static_cast<CSoundSource*>(data)->UnSyncThreadProc_BPM();
        return false;
      },
      this, 1, -1, "SC-bpm2");
}

bool CSoundSource::UnSyncThreadProc_BPM() {
  if (!detector) return false;
  pendingEvent.fetch_or(kEventAnalysing, std::memory_order_acq_rel);
  detectedBpm.store(0.0f, std::memory_order_relaxed);
  {
    // The record's key and gain stay as they are unless the analysis gives
    // new ones: the deck detects no key, and a re-analysis after a typed
    // tempo measures no gain (a key from the file's tags would otherwise be
    // wiped from the library when the track closes).
    std::lock_guard<std::mutex> guard(detailsLock);
    currentSong_Details.suggestedBpm = suggestedBpm;
  }
  const bool ok = displayPointCount >= kMinAnalysisPoints &&
                  detector->detectAudioFeatures(onsetArray, displayPointCount,
                                                static_cast<int>(lrintf(suggestedBpm)), displayArrayB) != 0;
  setBeatBitsFromDisplay(0, displayPointCount);
  if (ok) {
    const float bpm = detector->getAverageBPM();
    detectedBpm.store(bpm, std::memory_order_relaxed);
    const int durationMs = static_cast<int>(lrintf(lengthFrames.load(std::memory_order_acquire) / 44.1f));
    ZRString path;
    bool gainValid = false;
    float gain = 0.0f;
    {
      std::lock_guard<std::mutex> guard(detailsLock);
      TZRDatabaseTrack& r = currentSong_Details;
      r.bpm = bpm;
      r.durationMs = durationMs;
      r.playedInSession = true;
      r.tags[kTagBpm] = ZRString::format("%.1f", static_cast<double>(bpm));
      r.tags[kTagTime] = ZRString::format("%02d:%02d", durationMs / 60000, (durationMs / 1000) % 60);
      if (detector->hasAutoGain()) {
        r.pgain = detector->getAutoGain();
        r.pgainValid = true;
      }
      gainValid = detector->hasAutoGain();
      gain = r.pgain;
      path = r.tags[kTagFileName];
    }
    ZRDatabase::getInstance()->updateTrack(path, bpm, durationMs, false, nullptr, gainValid, gain, ZRString(),
                                           0.0f);
  } else {
    ZRLOG("error: detectAudioFeatures failed");
  }
  if (detectedBpm.load(std::memory_order_relaxed) < 0) detectedBpm.store(0.0f, std::memory_order_relaxed);
  // The cues and the seek come before the analysis shows as done, so that
  // whoever sees it done also sees them.
  placeAutoCues(autoCueUseArrayA.load(), autoCueThresholdIn.load(), autoCueThresholdOut.load());
  // A deck moved since its track opened (a click in the waveform, a cue) stays where it was put.
  const bool untouched = positionRequests.load(std::memory_order_acquire) ==
                         positionRequestsAtOpen.load(std::memory_order_acquire);
  if (!playing.load(std::memory_order_acquire) && autoCueEnabled.load() && untouched) {
    SetPositionAsync(cues[kMixInCue].load());
  }
  analysisDone.store(true, std::memory_order_release);
  pendingEvent.fetch_or(kEventAnalysisFinished, std::memory_order_acq_rel);
  return false;
}

void CSoundSource::calculateAutoCueInOutPoints(bool useArrayA, float thresholdIn, float thresholdOut) {
  if (!analysisDone.load(std::memory_order_acquire) && !stripeLoaded.load(std::memory_order_acquire)) return;
  placeAutoCues(useArrayA, thresholdIn, thresholdOut);
}

void CSoundSource::placeAutoCues(bool useArrayA, float thresholdIn, float thresholdOut) {
  const int length = lengthFrames.load(std::memory_order_acquire);
  if (length < kMinAutoCueFrames) return;
  const float* p = useArrayA ? displayArrayA : displayArrayB;
  const int n = displayPointCount;
  if (!p) return;
  const auto level = [&](int i) { return fastDecibels(unmarked(p[i]), -318.7f); };
  const bool valid = currentRecordValid.load(std::memory_order_acquire);
  bool inByUser, outByUser;
  {
    std::lock_guard<std::mutex> guard(detailsLock);
    inByUser = currentSong_Details.cueInUser;
    outByUser = currentSong_Details.cueOutUser;
  }
  if (!(inByUser && cues[kMixInCue].load() > 0)) {
    int in = 0;
    for (int i = 0; i < n / 2; ++i) {
      if (level(i) > thresholdIn) {
        in = i * 100;
        break;
      }
    }
    cues[kMixInCue].store(in);
    if (valid) {
      std::lock_guard<std::mutex> guard(detailsLock);
      currentSong_Details.cueInUser = false;
    }
  }
  const int out = cues[kMixOutCue].load();
  if (outByUser && out > 0 && out < length - 1) return;
  int found = (n - 1) * 100;
  for (int i = n - 1; i >= n / 2 + 1; --i) {
    if (level(i) > thresholdOut) {
      found = i * 100;
      break;
    }
  }
  cues[kMixOutCue].store(found);
  if (valid) {
    std::lock_guard<std::mutex> guard(detailsLock);
    currentSong_Details.cueOutUser = false;
  }
}

void CSoundSource::saveDetailsToDatabase() {
  if (!opened.load(std::memory_order_acquire)) return;
  if (!currentRecordValid.load(std::memory_order_acquire)) {
    ZRLOG("error: saveDetailsToDatabase: not valid");
    return;
  }
  TZRDatabaseTrack record = getCurrentTrack();
  record.suggestedBpm = suggestedBpm;
  for (int i = 0; i < kSavedLoops; ++i) {
    record.loops[i].in = GetLoopNoStart(i);
    record.loops[i].out = GetLoopNoEnd(i);
  }
  for (int i = 0; i < kHotCueCount; ++i) record.cues[i] = cues[i].load();
  record.cueIn = cues[kMixInCue].load();
  record.cueOut = cues[kMixOutCue].load();
  const int current = currentCue.load();
  record.currentCue = current < kHotCueCount ? current : 0;
  if (needsAnalysis && analysisDone.load(std::memory_order_acquire)) {
    ZRDatabase::saveStripe(&record, stripesFolder, detector, gridSuitable.load(),
                           displayGain.load(std::memory_order_relaxed), onsetArray, displayArrayA,
                           displayArrayB, displayPointCount);
  }
  ZRLOG(
      "saveDetailsToDatabase: '%s' cueSel=%d; cue0=%d, cue1=%d, cue2=%d (currentSong_Details.current_cue=%d)",
      record.tags[kTagTitle], current, record.cues[0], record.cues[1], record.cues[2], record.currentCue);
  {
    std::lock_guard<std::mutex> guard(detailsLock);
    currentSong_Details = record;
  }
  ZRDatabase::getInstance()->updateTrackMerge(&record, false);
}
