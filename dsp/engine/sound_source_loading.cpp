// The deck's loading side: the load request, the "SC-streaming" pass that
// opens, closes and decodes the track block by block, and the events the
// GUI reads.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "codecs/zr_master_codec.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "common/zr_ring_buffer.h"
#include "common/zr_thread.h"
#include "database/zr_database.h"
#include "dsp/audio_display_processing.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_pulselocker.h"
#include "dsp/engine/zr_time_pitch_scaling.h"
#include "dsp/zr_audio_detection.h"

namespace {

constexpr int kStreamingIntervalMs = 157;
constexpr int kDspIntervalMs = 110;

const char* const kPulselockerScheme = "pulselocker://song/";

// Milliseconds of a position in frames, as the streaming service counts them.
int framesToMs(int frames) {
  return static_cast<int>(lrintf(static_cast<float>(frames) / 44.1f));
}

}  // namespace

CSoundSource::CSoundSource(int id, const ZRString& stripes)
    : blockState(std::make_unique<std::atomic<uint8_t>[]>(kMaxBlocks)),
      deckId(id),
      stripesFolder(stripes),
      blocks(std::make_unique<std::atomic<ZRAudioBlock*>[]>(kMaxBlocks)) {
  displayProcessing = new ZRAudioDisplayProcessing(44100, true, true, true, true, true);
  detector = ZRAudioDetection::create(true, false, false);
  if (detector) detector->setMarkValues(55.0f, 65.0f);
  for (int i = 0; i < kMaxBlocks; ++i) {
    blockState[i].store(0, std::memory_order_relaxed);
    blocks[i].store(nullptr, std::memory_order_relaxed);
  }
  openRequest.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  codec = new ZRMasterCodec(deckId);
  direction.store(1);
  streamingThread = new ZRThread(
      [](void* data) {
        static_cast<CSoundSource*>(data)->UnSyncThreadProc_DISK();
        return true;
      },
      this, 0, kStreamingIntervalMs, "SC-streaming");
  for (std::unique_ptr<LookAheadBuffer>& b : lookAhead) {
    b = std::make_unique<LookAheadBuffer>();
    b->ring = std::make_unique<ZRRingBuffer>(352800, false);
    b->frames = std::make_unique<float[]>(static_cast<size_t>(kLookAheadFrames) * 2);
  }
  pathSwitchBuffer = std::make_unique<float[]>(2 * kMaxFramesPerBuffer);
  scaler.reset(ZRTimePitchScalingFactory::create(kZRTimePitchScalingRubberband, 44100.0f, 2, 1.0f));
  resetKeyLockState();
  dspThread = new ZRThread(
      [](void* data) {
        static_cast<CSoundSource*>(data)->UnSyncThreadProc_DSP();
        return true;
      },
      this, 5, kDspIntervalMs, "SC-dsp");
}

CSoundSource::~CSoundSource() {
  stopping.store(1, std::memory_order_release);
  delete dspThread;
  dspThread = nullptr;
  delete streamingThread;
  streamingThread = nullptr;
  delete analysisThread;
  analysisThread = nullptr;
  CloseSource();
  delete codec;
  delete detector;
  delete displayProcessing;
}

bool CSoundSource::OpenFileName(const ZRCodecBase::OpenStruct* request, const TZRDatabaseTrack* track) {
  if (!request) return false;
  if (loadFlag.load(std::memory_order_acquire) & 1) return false;
  PlayPause(0);
  trackReady.store(0, std::memory_order_release);
  // A new request starts over: events of the track it replaces are not shown any more.
  pendingEvent.store(kEventLoadRequested, std::memory_order_release);

  // The streaming thread reads the request only while the load flag is set,
  // so it is written here without a lock.
  openRequest.path = request->path;
  openRequest.secondPath = request->secondPath;
  openRequest.stream = request->stream;
  openRequest.ownsStream = request->ownsStream;
  openRequest.writeMode = false;
  autoPlayRequested = request->playAfterLoad;
  keyShiftRequested = request->keyShift;
  requestHasStream.store(request->stream != nullptr, std::memory_order_release);

  {
    std::lock_guard<std::mutex> guard(detailsLock);
    if (track) {
      desiredSong_Details = *track;
      trackRecordValid.store(true, std::memory_order_release);
    } else {
      const bool found =
          ZRDatabase::getInstance()->getTrackIdOnlyIfFound(-1, request->path, &desiredSong_Details);
      trackRecordValid.store(found, std::memory_order_release);
      if (!found) {
        ZRLOG("error: desiredSong_Details NOT VALID ! (deck id=%d)", deckId);
        ZRDatabase::resetTrack(&desiredSong_Details, true);
      }
    }
  }
  jogSearchSum.store(0);
  jogScratchMode.store(0);
  loadFlag.exchange(1, std::memory_order_acq_rel);
  if (streamingThread) streamingThread->wakeUpNow();
  return true;
}

int CSoundSource::GetLoadingProgressPercent() const {
  const int count = blockCount.load(std::memory_order_acquire);
  if (count <= 0) return 0;
  int decoded = 0;
  for (int i = 0; i < count; ++i) decoded += blockState[i].load(std::memory_order_relaxed) ? 1 : 0;
  return decoded * 100 / count;
}

ZRString CSoundSource::GetFileName() const {
  return opened.load(std::memory_order_acquire) ? openRequest.path : ZRString();
}

ZRString CSoundSource::GetArtist() {
  std::lock_guard<std::mutex> guard(detailsLock);
  if (lengthFrames.load(std::memory_order_acquire) > 0 && currentRecordValid.load()) {
    return currentSong_Details.tags[kTagArtist];
  }
  return ZRString();
}

ZRString CSoundSource::GetTitle() {
  std::lock_guard<std::mutex> guard(detailsLock);
  if (lengthFrames.load(std::memory_order_acquire) > 0 && currentRecordValid.load()) {
    return currentSong_Details.tags[kTagTitle];
  }
  return ZRString();
}

TZRDatabaseTrack CSoundSource::getCurrentTrack() {
  std::lock_guard<std::mutex> guard(detailsLock);
  return currentSong_Details;
}

bool CSoundSource::isBlockDecoded(int index) const {
  return index >= 0 && index < kMaxBlocks && blockState[index].load(std::memory_order_acquire) != 0;
}

void CSoundSource::setTrackPlayedCallback(TrackPlayedCallback callback, ZRDispatchQueueBase* queue) {
  trackPlayedCallback = std::move(callback);
  trackPlayedQueue = queue;
}

void CSoundSource::setTrackPlayedMinimumDuration(float seconds) {
  trackPlayedMinimumDuration.store(seconds, std::memory_order_relaxed);
}

ZRString CSoundSource::getLoadErrorText() {
  std::lock_guard<std::mutex> guard(loadErrorLock);
  return loadErrorText;
}

void CSoundSource::clearLoadErrorText() {
  std::lock_guard<std::mutex> guard(loadErrorLock);
  loadErrorText = ZRString();
}

void CSoundSource::wakeStreaming() {
  if (streamingThread) streamingThread->wakeUpNow();
}

// ---------------------------------------------------------------------------
// The streaming pass

bool CSoundSource::UnSyncThreadProc_DISK() {
  int idle = 0;
  if (!diskBusy.compare_exchange_strong(idle, 1, std::memory_order_acq_rel)) return true;
  reportTrackPlayed();
  drainPlayEvents();
  if (loadFlag.load(std::memory_order_acquire) & 1) {
    handleLoadRequest();
    if (loadFlag.load(std::memory_order_acquire) & 1) {
      // Waiting for a streaming-service track.
      diskBusy.store(0, std::memory_order_release);
      return true;
    }
  }
  if (!opened.load(std::memory_order_acquire)) {
    diskBusy.store(0, std::memory_order_release);
    return true;
  }
  fillAroundPosition();
  if (stopping.load(std::memory_order_acquire)) return true;
  applyForcedAnalysis();
  applyHandedOverBeatMark();
  finishDecoding();
  diskBusy.store(0, std::memory_order_release);
  return true;
}

void CSoundSource::reportTrackPlayed() {
  if (trackPlayedReported) return;
  const long needed = lrintf(trackPlayedMinimumDuration.load(std::memory_order_relaxed) * 44100.0f);
  if (playedFrames.load(std::memory_order_relaxed) < needed) return;
  trackPlayedReported = true;
  ZRString path;
  {
    std::lock_guard<std::mutex> guard(detailsLock);
    path = currentSong_Details.tags[kTagFileName];
  }
  if (path.empty() || !trackPlayedCallback) return;
  const TrackPlayedCallback callback = trackPlayedCallback;
  const int id = deckId;
  ZRGlobalTaskDispatch::getInstance()->async([callback, id, path]() { return callback(id, path); },
                                             trackPlayedQueue);
}

void CSoundSource::drainPlayEvents() {
  if (const int dropped = droppedPlayEvents.exchange(0, std::memory_order_relaxed)) {
    ZRLOG("warning: %d play events of the audio thread dropped (queue full)", dropped);
  }
  TQueueItemPlayEvent event;
  while (playEvents.try_dequeue(event)) {
    if (event.type > 3 || event.type < 0) {
      ZRLOG("error: unknown play event type");
      continue;
    }
    if (sourceKind.load(std::memory_order_relaxed) == 2 && pl1) {
      sendServiceEvent(event.type, event.from, event.type == 2 ? event.to : -1);
    }
  }
}

void CSoundSource::sendServiceEvent(int type, int fromFrames, int toFrames) {
  if (!pl1) return;
  pl1->sendPlayEvent(deckId, static_cast<ZRPulselocker::PlayEventType>(type), framesToMs(fromFrames),
                     toFrames < 0 ? -1 : framesToMs(toFrames));
}

void CSoundSource::queuePlayEvent(int type, int from, int to) {
  playEvents.enqueue(TQueueItemPlayEvent{type, from, to});
}

void CSoundSource::queuePlayEventFromAudio(int type, int from, int to) {
  if (!playEvents.tryEnqueue(audioPlayEvents, TQueueItemPlayEvent{type, from, to})) {
    droppedPlayEvents.fetch_add(1, std::memory_order_relaxed);
  }
}

void CSoundSource::handleLoadRequest() {
  const ZRString path = openRequest.path;
  ZRLOG(" *|* requesting loading track '%s', CloseSource", path);
  CloseSource();
  if (path != lastStreamPath) {
    if (pl1) pl1->cancelAndDestroySong(deckId);
    ZRLOG(" *|* requesting different track (cancel any currently loaded/loading song)");
  }
  const bool isServiceTrack = path.contains(kPulselockerScheme);
  if (isServiceTrack && (!openRequest.stream || path != lastStreamPath)) {
    lastStreamPath = path;
    loadFlag.exchange(0, std::memory_order_acq_rel);
    ZRLOG(" *|* requesting Pulselocker track '%s'", path);
    if (pl1) {
      // The client calls back on its own thread: the stream sets the load
      // flag again, and the next pass opens it.
      pl1->loadSong(
          deckId, path.utf8(),
          [this](std::istream* stream, const std::string& error, bool isError) {
            ZRLOG(" *|* loaded Pulselocker track OK=%d", stream ? 1 : 0);
            if (stream) {
              openRequest.stream = stream;
              requestHasStream.store(true, std::memory_order_release);
              loadFlag.exchange(1, std::memory_order_acq_rel);
              wakeStreaming();
            } else if (isError) {
              {
                std::lock_guard<std::mutex> guard(loadErrorLock);
                loadErrorText = ZRString(error);
              }
              pendingEvent.fetch_or(kEventDeckEmpty, std::memory_order_acq_rel);
            } else {
              clearLoadErrorText();
            }
            return true;
          },
          [this](float progress) {
            if (stopping.load(std::memory_order_acquire)) return false;
            bufferingProgress.store(progress, std::memory_order_release);
            pendingEvent.fetch_or(kEventDownloadProgress, std::memory_order_acq_rel);
            return true;
          });
    }
    return;
  }
  if (isServiceTrack && openRequest.stream && path == lastStreamPath) {
    lastStreamPath = ZRString();
    ZRLOG(" *|* loading same Pulselocker track '%s'", path);
  }
  ZRLOG(" *|* OpenSource track stream=%d", openRequest.stream ? 1 : 0);
  const bool autoPlay = autoPlayRequested;
  const float keyShift = keyShiftRequested;
  autoPlayRequested = false;
  keyShiftRequested = 0.0f;
  OpenSource();
  loadFlag.exchange(0, std::memory_order_acq_rel);
  if (autoPlay) autoPlayTimer.store(0.0f, std::memory_order_release);
  if (keyShift != 0.0f) SetPitchKey(static_cast<int>(lrintf(keyShift * 100.0f)));
}

void CSoundSource::fillAroundPosition() {
  const int count = blockCount.load(std::memory_order_acquire);
  const int p =
      static_cast<int>(lrint(std::floor(playPosition.load(std::memory_order_relaxed)))) / kBlockFrames;
  FillBlock(p);
  if (stopping.load(std::memory_order_acquire)) return;
  FillBlock(desiredSpeed.load(std::memory_order_relaxed) > 0 ? p + 1 : p - 1);
  // Forward to the end, also when the decode finds the track longer than announced on the way.
  if (!fillLoop(std::max(0, p), kMaxBlocks)) return;
  fillLoop(0, std::min(p, count));
}

// Fills the missing blocks of [from, to); false when the deck is stopping.
// Leaves early when a load is requested or when a playing deck's
// neighbourhood became incomplete (the next pass fills that first).
bool CSoundSource::fillLoop(int from, int to) {
  for (int i = from; i < std::min(to, blockCount.load(std::memory_order_acquire)); ++i) {
    if (stopping.load(std::memory_order_acquire)) return false;
    if (!blockState[i].load(std::memory_order_acquire)) {
      FillBlock(i);
      if (loadFlag.load(std::memory_order_acquire) & 1) return true;
    }
    if (playing.load(std::memory_order_acquire) &&
        std::fabs(desiredSpeed.load(std::memory_order_relaxed)) > 0.1) {
      const int count = blockCount.load(std::memory_order_acquire);
      const int q =
          static_cast<int>(lrint(std::floor(playPosition.load(std::memory_order_relaxed)))) / kBlockFrames;
      const auto missing = [&](int b) {
        return b >= 0 && b < count && !blockState[b].load(std::memory_order_acquire);
      };
      if (missing(q) || (q > 0 && missing(q - 1)) || missing(q + 1)) return true;
    }
  }
  return true;
}

bool CSoundSource::OpenSource() {
  if (opened.load(std::memory_order_acquire)) return false;
  gridSuitable.store(false);
  alwaysInSync.store(false);
  firstPlayReported.store(0, std::memory_order_relaxed);
  ZRString path;
  {
    std::lock_guard<std::mutex> guard(detailsLock);
    currentSong_Details = desiredSong_Details;
    path = currentSong_Details.tags[kTagFileName];
  }
  currentRecordValid.store(trackRecordValid.load(std::memory_order_acquire), std::memory_order_release);
  autoPlayTimer.store(-1.0f, std::memory_order_release);
  playedFrames.store(0, std::memory_order_relaxed);
  trackPlayedReported = false;
  int kind = 0;
  if (path.contains(kPulselockerScheme)) kind = 2;
  if (path.contains("lirra://track/")) kind = 4;
  if (path.contains("karnet://track/")) kind = 5;
  sourceKind.store(kind, std::memory_order_relaxed);

  openRequest.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  if (!codec->openFileOrStream(&openRequest, 1.0f)) {
    lengthFrames.store(0, std::memory_order_release);
    pendingEvent.fetch_or(kEventDeckEmpty, std::memory_order_acq_rel);
    return false;
  }
  asyncPosition.store(-1.0, std::memory_order_release);
  int length = openRequest.format.totalFrames;
  if (length < 1 || length > kMaxTrackFrames) {
    codec->close();
    lengthFrames.store(0, std::memory_order_release);
    pendingEvent.fetch_or(kEventDeckEmpty, std::memory_order_acq_rel);
    return false;
  }
  // The announced length is an estimate until the decode reaches the end. A track analysed before
  // left its true block count in its stripe data: that is the better estimate.
  lengthKnown = false;
  const int stripeBlocks = storedStripeBlocks();
  if (stripeBlocks > 0) {
    length = std::clamp(length, (stripeBlocks - 1) * kBlockFrames + 1, stripeBlocks * kBlockFrames);
  }
  lengthFrames.store(length, std::memory_order_release);
  isStreamSource.store(openRequest.stream != nullptr, std::memory_order_release);
  const int count = (length + kBlockFrames - 1) / kBlockFrames;
  blockCount.store(count, std::memory_order_release);
  resetKeyLockState();
  prepareAnalysis();
  resetCuesAndLoops(length);
  for (int i = 0; i < count; ++i) blockState[i].store(0, std::memory_order_release);
  stripeLoaded.store(loadDetailsFromDatabase(), std::memory_order_release);
  needsAnalysis = !stripeLoaded.load(std::memory_order_relaxed);

  if (playing.load(std::memory_order_acquire)) PlayStatusChanged(0);
  playing.store(0, std::memory_order_release);
  // The audio thread leaves a closed deck alone, so the transport state it
  // owns is reset here without a race; opened (release) publishes it.
  playPosition.store(0.0, std::memory_order_relaxed);
  scratching.store(0);
  stopNow.store(0);
  brake.store(0);
  speedRampActive.store(0.0f);
  cueReturnRequest.store(0);
  keyLockJump = 0;
  keyLockCorrection = 0;
  keyLockCounter = 0;
  keyLockBestOffset = 0;
  keyLockJumpPublished.store(0, std::memory_order_relaxed);
  direction.store(1);
  pitch.store(0);
  nominalSpeed.store(1.0);
  desiredSpeed.store(1.0);
  currentSpeed.store(1.0);
  lastDesiredSpeed = 1.0;
  lookAheadSpeed.store(1.0);
  speedStep = 0.0;
  keyShiftCents.store(0);
  pitchRatio.store(1.0);
  lastSampleLeft = lastSampleRight = 0.0f;
  syncPending.store(0);
  syncTarget.store(nullptr);
  jogSearchSum.store(0);
  jogScratchMode.store(0);
  jogScratching.store(0);
  jogTotal.store(0.0f);
  bendingDown.store(0);
  bendingUp.store(0);
  nudgeActive.store(0);
  searchLeftTicks.store(-1);
  searchRightTicks.store(-1);
  lookAheadLastPath = -1;
  lookAheadPrevious = -1;
  lookAheadInUse.store(0);

  FillBlock(0);
  outputLevel = kFullOutputLevel;
  if (stripeLoaded.load(std::memory_order_relaxed)) {
    calculateAutoCueInOutPoints(autoCueUseArrayA.load(), autoCueThresholdIn.load(),
                                autoCueThresholdOut.load());
  }
  if (autoCueEnabled.load() && cues[kMixInCue].load() > 0) SetPositionAsync(cues[kMixInCue].load());
  positionRequestsAtOpen.store(positionRequests.load(std::memory_order_acquire), std::memory_order_release);
  {
    std::lock_guard<std::mutex> guard(lookAheadLock);
    lookAheadTrackOpen = true;
  }
  opened.store(1, std::memory_order_seq_cst);
  trackReady.store(1, std::memory_order_release);
  pendingEvent.fetch_or(kEventTrackOpen, std::memory_order_acq_rel);
  if (openCloseHook) openCloseHook(1, this);
  return true;
}

bool CSoundSource::FillBlock(int index) {
  const int count = blockCount.load(std::memory_order_acquire);
  if (index < 0 || index >= count) return false;
  if (blocks[index].load(std::memory_order_acquire) || blockState[index].load(std::memory_order_acquire)) {
    return false;
  }
  ZRAudioBlock* block = ZRAudioBlockPool::get()->getFreeBlock();
  if (!block) {
    ZRLOG("ERROR -- could not allocate block from pool or memory !");
    return false;
  }
  const int length = lengthFrames.load(std::memory_order_acquire);
  // Until the true length is known the last block is read whole: the track may go on.
  const int toRead = index == count - 1 && lengthKnown ? length - index * kBlockFrames : kBlockFrames;
  // A short last block is read with the codec's smallest request (the block
  // has room for it); only the track's own frames are kept.
  const int request = std::max(toRead, ZRMasterCodec::kMinFramesPerRequest);
  const int read = codec->getSamplesShort(block->samples, request, index * kBlockFrames);
  const int kept = std::clamp(read, 0, toRead);
  block->frames = kept;
  std::memset(block->samples + kept * 2, 0, sizeof(int16_t) * 2 * static_cast<size_t>(kBlockFrames - kept));
  blocks[index].store(block, std::memory_order_release);
  const int decodedLength = codec->getDecodedLength();
  if (decodedLength >= 0) {
    adoptTrackLength(decodedLength);
  } else if (index == count - 1 && kept == kBlockFrames && count < kMaxBlocks) {
    // The announced end passed with the sound going on: one more block, until the decode ends.
    adoptTrackLength(std::min(kMaxTrackFrames, (count + 1) * kBlockFrames));
    lengthKnown = false;
  }
  const int expected = std::min(toRead, lengthFrames.load(std::memory_order_acquire) - index * kBlockFrames);
  if (kept != expected && index < blockCount.load(std::memory_order_acquire)) {
    ZRLOG("error: framesRead=%d, framesToRead=%d", read, toRead);
  }
  if (index >= blockCount.load(std::memory_order_acquire)) return true;  // the track ended before it
  analyseBlock(index, block);
  blockState[index].store(1, std::memory_order_release);
  pendingEvent.fetch_or(kEventBlockDecoded, std::memory_order_acq_rel);
  return true;
}

void CSoundSource::adoptTrackLength(int frames) {
  frames = std::clamp(frames, 1, kMaxTrackFrames);
  lengthKnown = true;
  const int old = lengthFrames.load(std::memory_order_acquire);
  if (frames == old) return;
  const int oldCount = blockCount.load(std::memory_order_acquire);
  const int count = (frames + kBlockFrames - 1) / kBlockFrames;
  ZRLOG("deck %d: track length %d frames, not %d as first estimated", deckId, frames, old);
  for (int i = oldCount; i < count; ++i) blockState[i].store(0, std::memory_order_release);
  if (count > oldCount) resizeAnalysis(count);
  // A mix-out cue at the estimated end moves to the true end.
  int end = old;
  cues[kMixOutCue].compare_exchange_strong(end, frames);
  lengthFrames.store(frames, std::memory_order_release);
  blockCount.store(count, std::memory_order_release);
  if (ZRAudioBlock* last = blocks[count - 1].load(std::memory_order_acquire)) {
    last->frames = std::min(last->frames, frames - (count - 1) * kBlockFrames);
  }
  if (count >= oldCount) return;
  // Blocks past the true end: unpublished first, given back once the audio thread cannot hold them.
  ZRAudioBlock* gone[64];
  int n = 0;
  for (int i = count; i < oldCount; ++i) {
    blockState[i].store(0, std::memory_order_release);
    ZRAudioBlock* block = blocks[i].exchange(nullptr, std::memory_order_acq_rel);
    if (!block) continue;
    if (n == 64) {
      waitForAudioThreadToLeave();
      for (int k = 0; k < n; ++k) ZRAudioBlockPool::get()->releaseBlock(gone[k]);
      n = 0;
    }
    gone[n++] = block;
  }
  waitForAudioThreadToLeave();
  for (int k = 0; k < n; ++k) ZRAudioBlockPool::get()->releaseBlock(gone[k]);
  resizeAnalysis(count);
}

void CSoundSource::waitForAudioThreadToLeave() {
  // A buffer is a few milliseconds of work; the log says when it is not.
  const auto warnAt = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  bool warned = false;
  while (audioInside.load(std::memory_order_seq_cst)) {
    if (!warned && std::chrono::steady_clock::now() >= warnAt) {
      ZRLOG("warning: deck %d waits for the audio thread to leave it", deckId);
      warned = true;
    }
    ZRThread::sleep_ms(1);
  }
}

void CSoundSource::ClearBlock(int index, int release) {
  const int limit = std::min(kMaxBlocks, blockCount.load(std::memory_order_acquire));
  if (index < 0 || index >= limit || !release) return;
  ZRAudioBlock* block = blocks[index].load(std::memory_order_acquire);
  if (!block) return;
  blockState[index].store(0, std::memory_order_release);
  blocks[index].store(nullptr, std::memory_order_release);
  ZRAudioBlockPool::get()->releaseBlock(block);
}

void CSoundSource::CloseSource() {
  if (!opened.load(std::memory_order_acquire)) {
    // The close-all action waits for this flag, also when nothing was open.
    trackClosed.store(true, std::memory_order_release);
    return;
  }
  closeLookAhead();
  if (pl1 && isStreamSource.load(std::memory_order_acquire)) {
    pl1->sendPlayEvent(deckId, ZRPulselocker::kEject,
                       framesToMs(static_cast<int>(playPosition.load(std::memory_order_relaxed))), -1);
  }
  isStreamSource.store(false, std::memory_order_release);
  // A running final analysis reads the display arrays and writes the record:
  // let it end before they are saved and freed.
  delete analysisThread;
  analysisThread = nullptr;
  saveDetailsToDatabase();
  {
    // Saved: the deck shows no track any more. Only here, after the save, so that the texts the save
    // writes are never emptied under it.
    std::lock_guard<std::mutex> guard(detailsLock);
    currentSong_Details.tags[kTagArtist] = ZRString();
    currentSong_Details.tags[kTagTitle] = ZRString();
    currentSong_Details.tags[kTagYear] = ZRString();
    currentSong_Details.mediaType = -1;
  }

  opened.store(0, std::memory_order_seq_cst);
  // A buffer the audio thread began before it saw the deck closed may still
  // read blocks: they are released only once it has left, however long that
  // takes.
  waitForAudioThreadToLeave();
  codec->close();
  const int count = blockCount.load(std::memory_order_acquire);
  for (int i = 0; i < count; ++i) ClearBlock(i, 1);
  blockCount.store(0, std::memory_order_release);
  lengthFrames.store(0, std::memory_order_release);
  firstPlayReported.store(0, std::memory_order_relaxed);
  releaseAnalysis();
  if (openCloseHook) openCloseHook(0, this);
  trackClosed.store(true, std::memory_order_release);
}
