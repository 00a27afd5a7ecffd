#include "video_mixing/zr_video_source_renderer.h"

#include <cmath>
#include <cstdlib>

#include "codecs/zr_decoder_video.h"
#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "common/zr_thread.h"
#include "dsp/engine/zr_audio_signal_source.h"

namespace {

constexpr double kSampleRate = 44100.0;
constexpr int kRingSize64Bit = 128;
constexpr int kRingSize32Bit = 64;
constexpr int kRingSizeOtherPlayers = 20;
constexpr double kNoSlotLow = 9.2233720368547758e18;  // 2^63: above every frame time

// One seek flag per decoder id. The decoder calls its seek announcement on the thread that seeks the
// deck, possibly while a renderer goes away; the flag it sets is never freed, so a late call is harmless.
std::atomic<bool> g_seekFlags[ZRDecoderVideo::kRegistrySize + 1];

std::atomic<bool>* seekFlagFor(int id) {
  if (id < 0 || id >= ZRDecoderVideo::kRegistrySize) return &g_seekFlags[ZRDecoderVideo::kRegistrySize];
  return &g_seekFlags[id];
}

unsigned char* allocateFrame(size_t bytes) {
  // The decoder writes with 16-byte aligned stores.
  const size_t rounded = (bytes + 15) / 16 * 16;
  return static_cast<unsigned char*>(std::aligned_alloc(16, rounded));
}

}  // namespace

ZRVideoSourceRenderer::ZRVideoSourceRenderer(int id, int useOpenGL, ZRAudioSignalSource* audioSource,
                                             TextureCreatedCallback textureCreated)
    : id_(id),
      useOpenGL_(useOpenGL),
      audioSource_(audioSource),
      textureCreated_(textureCreated),
      seekAnnounced_(seekFlagFor(id)) {
  if (id > 1) {
    ringSize_ = kRingSizeOtherPlayers;
  } else {
    ringSize_ = sizeof(void*) == 8 ? kRingSize64Bit : kRingSize32Bit;
  }
  decoder_ = ZRDecoderVideo::getCodecById(id);
  if (decoder_ == nullptr) {
    ZRLOG("ZRVideoSourceRenderer -- ERROR -- can not get codec object");
    return;
  }
  seekAnnounced_->store(false);
  decoder_->SetOnAnnounceSeekToSampleCallBack(&ZRVideoSourceRenderer_OnAnnounceSeekToSample, seekAnnounced_);
  decoder_->attachRenderer();
}

ZRVideoSourceRenderer::~ZRVideoSourceRenderer() {
  StopPlayback();
  if (ZRDecoderVideo* decoder = liveDecoder()) {
    decoder->SetOnAnnounceSeekToSampleCallBack(nullptr, nullptr);
    decoder->setRendererDetached();
  }
  texture_.reset();
}

ZRDecoderVideo* ZRVideoSourceRenderer::liveDecoder() const {
  if (decoder_ == nullptr || ZRDecoderVideo::getCodecById(id_) != decoder_) return nullptr;
  return decoder_;
}

void ZRVideoSourceRenderer::ZRVideoSourceRenderer_OnAnnounceSeekToSample(void* seekFlag, float, int) {
  if (seekFlag != nullptr) static_cast<std::atomic<bool>*>(seekFlag)->store(true, std::memory_order_release);
}

int ZRVideoSourceRenderer::GetVideoWidth() const {
  return playing_ != 0 ? frameWidth_ : -1;
}

void ZRVideoSourceRenderer::GetVideoSourcePosAndLen(double& position, double& length, int) const {
  if (audioSource_ == nullptr) {
    position = 0;
    length = -1;
    return;
  }
  position = audioSource_->GetCurrentPos() / kSampleRate;
  length = audioSource_->GetLength() / kSampleRate;
}

bool ZRVideoSourceRenderer::DV_thread_function(void* source) {
  static_cast<ZRVideoSourceRenderer*>(source)->DVThreadFunction();
  return true;
}

// ---- the ring -------------------------------------------------------------------------------------

void ZRVideoSourceRenderer::emptyRingLocked() {
  for (int i = 0; i < ringSize_; ++i) slots_[i].time = -1;
  lastWritten_ = -1;
}

bool ZRVideoSourceRenderer::ringRange(double& lo, double& hi) {
  std::lock_guard<std::mutex> guard(ringLock_);
  lo = kNoSlotLow;
  hi = -1;
  bool any = false;
  for (int i = 0; i < ringSize_; ++i) {
    const double t = slots_[i].time;
    if (t < 0) continue;
    any = true;
    if (t < lo) lo = t;
    if (t > hi) hi = t;
  }
  return any;
}

bool ZRVideoSourceRenderer::decodeInto(int samplePos) {
  ZRDecoderVideo* decoder = decoder_;
  int slot = -1;
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    for (int step = 1; step <= ringSize_; ++step) {
      const int candidate = (lastWritten_ + step) % ringSize_;
      if (slots_[candidate].pixels != nullptr) {
        slot = candidate;
        break;
      }
    }
    if (slot < 0) return false;  // no buffer could be allocated
    slots_[slot].time = -1;      // out of the render thread's choice while it is written
  }
  double time = -1;
  const bool decoded = decoder->GetNextFrame(slots_[slot].pixels, &time, samplePos);
  if (!decoded) return false;
  if (id_ >= 2) time -= decoder->GetFirstFramePts();
  std::lock_guard<std::mutex> guard(ringLock_);
  slots_[slot].time = time;
  lastWritten_ = slot;
  return true;
}

void ZRVideoSourceRenderer::DVThreadFunction() {
  ZRDecoderVideo* decoder = decoder_;
  if (decoder == nullptr || decoder->getState() != 0) return;
  const bool cdg = decoder->IsCDG();
  const double ahead = cdg ? kLookAheadSecondsCDG : kLookAheadSeconds;
  double pos = 0, len = -1;
  GetVideoSourcePosAndLen(pos, len, 0);
  double target = pos + ahead;
  if (len > 0 && target > len) target -= len;
  const double previous = lastDecodePosition_;
  lastDecodePosition_ = pos;

  // Only a CDG's reader needs to hear of seeks: a video finds its place from the position itself.
  bool seekAnnounced = seekAnnounced_->exchange(false, std::memory_order_acq_rel);
  if (!cdg) seekAnnounced = false;

  double lo = 0, hi = 0;
  ringRange(lo, hi);
  const bool outside = target <= lo || target > hi;
  const bool wanted = (cdg ? target > hi : outside) || seekAnnounced;
  if (!wanted) return;

  bool nearPosition = false;
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    for (int i = 0; i < ringSize_ && !nearPosition; ++i) {
      nearPosition = slots_[i].time >= 0 && std::fabs(slots_[i].time - pos) <= kShowWithinSeconds;
    }
  }
  int sample = -1;
  if (!nearPosition && primed_ && !(cdg && !seekAnnounced)) {
    const int rate = decoder->GetSampleRate();
    sample = static_cast<int>(std::lround(rate * pos));
    {
      std::lock_guard<std::mutex> guard(ringLock_);
      emptyRingLocked();
    }
    lastDecodePosition_ = -1;
    if (cdg || previous > pos) {
      sample = sample > rate ? sample - rate : 0;
    } else {
      sample = sample > rate / 10 ? sample - rate / 10 : 0;
    }
  }
  const bool decoded = decodeInto(sample);
  primed_ = true;
  // Without a first frame there is no newest time to catch up from: the pass ends.
  if (!decoded || decoder->getState() != 0) return;

  for (int n = 0; n < kMaxCatchUpFrames; ++n) {
    double newest;
    {
      std::lock_guard<std::mutex> guard(ringLock_);
      if (lastWritten_ < 0) return;
      newest = slots_[lastWritten_].time;
    }
    if (newest >= pos + ahead / 2) return;
    decodeInto(-1);
    if (decoder->getState() != 0) return;
  }
}

// ---- playback -------------------------------------------------------------------------------------

void ZRVideoSourceRenderer::StartPlayback() {
  if (playing_ != 0 || decoder_ == nullptr) return;
  const int width = decoder_->GetFrameWidth();
  const int height = decoder_->GetFrameHeight();
  if (width <= 0 || height <= 0) {
    ZRLOG("ZRVideoSourceRenderer: no picture size (%dx%d); playback not started", width, height);
    return;
  }
  seekAnnounced_->store(false);
  lastShownTime_ = -1;
  lastDecodePosition_ = -1;
  primed_ = false;
  frameWidth_ = width;
  frameHeight_ = height;
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    lastWritten_ = -1;
    bool failed = false;
    const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    for (int i = 0; i < ringSize_; ++i) {
      slots_[i].pixels = allocateFrame(bytes);
      slots_[i].time = -1;
      if (slots_[i].pixels == nullptr) failed = true;
    }
    if (failed) ZRLOG("CRITICAL ERROR -- can not allocate memory for the video frames !!!");
  }
  thread_ = std::make_unique<ZRThread>(&ZRVideoSourceRenderer::DV_thread_function, this, 1, kDecodeIntervalMs,
                                       "videoSourceRenderer");
  playing_ = 1;
}

void ZRVideoSourceRenderer::StopPlayback() {
  if (playing_ == 0) return;
  playing_ = 0;
  // The thread writes the buffers: it goes first.
  thread_.reset();
  freeBuffers();
}

void ZRVideoSourceRenderer::freeBuffers() {
  std::lock_guard<std::mutex> guard(ringLock_);
  lastWritten_ = -1;
  for (int i = 0; i < kMaxSlots; ++i) {
    std::free(slots_[i].pixels);
    slots_[i].pixels = nullptr;
    slots_[i].time = -1;
  }
}

// ---- render thread --------------------------------------------------------------------------------

void ZRVideoSourceRenderer::RenderToTexture(void* device, void* context) {
  textureChanged_ = false;
  ZRDecoderVideo* decoder = decoder_;
  if (decoder == nullptr) return;
  uint32_t state = decoder->getState();
  if (state & ZRDecoderVideo::kStateClosing) {
    StopPlayback();
    state = decoder->acknowledgeState();
  }
  if (state & ZRDecoderVideo::kStateOpened) {
    StopPlayback();  // a new video: the ring is made again for its frame size
    StartPlayback();
    decoder->acknowledgeState();
  }
  if (playing_ == 0) return;

  double pos = 0, len = -1;
  GetVideoSourcePosAndLen(pos, len, 1);
  const bool cdg = decoder->IsCDG();
  bool created = false;
  bool uploaded = true;
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    int best = -1;
    double bestDistance = 3600;
    for (int i = 0; i < ringSize_; ++i) {
      const double t = slots_[i].time;
      if (t < 0 || slots_[i].pixels == nullptr) continue;
      const double distance = std::fabs(t - pos);
      if (distance < bestDistance) {
        bestDistance = distance;
        best = i;
      }
    }
    if (best < 0) return;
    if (!cdg && bestDistance > kShowWithinSeconds) return;
    if (slots_[best].time == lastShownTime_ && texture_) return;
    lastShownTime_ = slots_[best].time;
    if (!texture_) {
      const auto engine = useOpenGL_ != 0 ? ZRRenderEngineOpenGL : ZRRenderEngineRGBA;
      texture_.reset(ZRTexture::createTexture(true, 1.0f, engine, device, context));
      created = texture_ != nullptr;
    }
    if (texture_) {
      texture_->setScallingNone(cdg);
      uploaded = texture_->initWithOrRefreshData(slots_[best].pixels, frameWidth_, frameHeight_,
                                                 ZRPixelFormatBGRA, false);
    }
  }
  if (!texture_) return;
  if (!uploaded) {
    ZRLOG("error: RenderToTexture: can not refresh data");
    texture_.reset();
    lastShownTime_ = -1;
    return;
  }
  textureChanged_ = true;
  if (created && textureCreated_ != nullptr) textureCreated_(this);
}
