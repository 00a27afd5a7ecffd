// Where the deck's decoding meets the track analysis: preparing the display
// arrays for a new track, the stripe data of a known track, the per-block
// analysis input, the hand-over to the final analysis on "SC-bpm2" once every
// block is decoded, and writing the results back to the library when the
// track closes. Cue points and loops are not handled here.

#include <cmath>
#include <cstring>

#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "database/zr_database.h"
#include "database/zr_stripe_file.h"
#include "dsp/audio_display_processing.h"
#include "dsp/engine/sound_source.h"
#include "dsp/zr_audio_detection.h"

namespace {

constexpr int kPointsPerBlock = 441;
// Three seconds of display points: shorter tracks are not analysed.
constexpr int kMinAnalysisPoints = 1324;

}  // namespace

void CSoundSource::StartUseDisplayData() {
  displayLock.enterExclusive();
}

void CSoundSource::StopUseDisplayData() {
  displayLock.leaveExclusive();
}

void CSoundSource::prepareAnalysis() {
  if (detector) detector->resetAndStartProcessing(lengthFrames.load(std::memory_order_acquire), 0);
  if (displayProcessing) displayProcessing->reset();
  displayGain = 1.0f;
  gridSuitable = detector ? detector->isBeatGridSuitableForAlwaysInSync() : false;
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
  displayPointCount = points;
  displayLock.leaveExclusive();
}

void CSoundSource::releaseAnalysis() {
  displayLock.enterExclusive();
  for (float** array : {&displayArrayA, &displayArrayB, &displayArrayC, &onsetArray}) {
    delete[] * array;
    *array = nullptr;
  }
  displayPointCount = 0;
  displayLock.leaveExclusive();
}

bool CSoundSource::loadDetailsFromDatabase() {
  if (!trackRecordValid.load(std::memory_order_acquire)) {
    ZRLOG("error: loadDetailsFromDatabase: not valid");
    return false;
  }
  TZRDatabaseTrack record = getCurrentTrack();
  suggestedBpm = record.suggestedBpm;
  if (record.stripe.len() < 3 || record.bpm <= 1.0f) return false;
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
  displayGain = data.displayGain;
  gridSuitable = data.gridSuitable;
  beatGrid = std::move(data.beats);
  detectedBpm.store(record.bpm, std::memory_order_relaxed);
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
  if (stripeLoaded) {
    detector->markBeatsPositionsForInterval(displayArrayB, displayPointCount, f, f + kPointsPerBlock,
                                            beatGrid, -1, 4);
  } else {
    detector->process(block->samples, block->frames, 2, onsetArray + f, 0);
    const float m = displayProcessing ? displayProcessing->getMaxValue() : 0.0f;
    if (m > 0.05f) displayGain = 1.0f / m;
  }
}

void CSoundSource::finishDecoding() {
  if (loadFlag.load(std::memory_order_acquire) & 1) return;
  if (analysisDone.load(std::memory_order_acquire) || analysisStarted) return;
  const int count = blockCount.load(std::memory_order_acquire);
  if (count <= 0 || GetLoadingProgressPercent() < 100) return;
  if (stripeLoaded) {
    analysisDone.store(true, std::memory_order_release);
    pendingEvent.store(kEventAnalysisFinished, std::memory_order_release);
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
  pendingEvent.store(kEventAnalysing, std::memory_order_release);
  detectedBpm.store(0.0f, std::memory_order_relaxed);
  {
    std::lock_guard<std::mutex> guard(detailsLock);
    currentSong_Details.pgain = 0.0f;
    currentSong_Details.pgainValid = false;
    currentSong_Details.pitchKey = 0;
    currentSong_Details.suggestedBpm = suggestedBpm;
  }
  const bool ok = displayPointCount >= kMinAnalysisPoints &&
                  detector->detectAudioFeatures(onsetArray, displayPointCount,
                                                static_cast<int>(lrintf(suggestedBpm)), displayArrayB) != 0;
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
      r.pgain = detector->getAutoGain();
      r.pgainValid = true;
      gainValid = r.pgainValid;
      gain = r.pgain;
      path = r.tags[kTagFileName];
    }
    ZRDatabase::getInstance()->updateTrack(path, bpm, durationMs, false, nullptr, gainValid, gain, ZRString(),
                                           0.0f);
  } else {
    ZRLOG("error: detectAudioFeatures failed");
  }
  if (detectedBpm.load(std::memory_order_relaxed) < 0) detectedBpm.store(0.0f, std::memory_order_relaxed);
  analysisDone.store(true, std::memory_order_release);
  pendingEvent.store(kEventAnalysisFinished, std::memory_order_release);
  return false;
}

void CSoundSource::saveDetailsToDatabase() {
  if (!opened.load(std::memory_order_acquire)) return;
  if (!trackRecordValid.load(std::memory_order_acquire)) {
    ZRLOG("error: saveDetailsToDatabase: not valid");
    return;
  }
  TZRDatabaseTrack record = getCurrentTrack();
  record.suggestedBpm = suggestedBpm;
  if (needsAnalysis && analysisDone.load(std::memory_order_acquire)) {
    ZRDatabase::saveStripe(&record, stripesFolder, detector, gridSuitable, displayGain, onsetArray,
                           displayArrayA, displayArrayB, displayPointCount);
  }
  {
    std::lock_guard<std::mutex> guard(detailsLock);
    currentSong_Details = record;
  }
  ZRDatabase::getInstance()->updateTrackMerge(&record, false);
}
