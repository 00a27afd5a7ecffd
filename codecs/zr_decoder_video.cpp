#include "codecs/zr_decoder_video.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "common/zr_logging.h"
#include "common/zr_memory_istream.h"

namespace {

std::mutex& registryLock() {
  static std::mutex lock;
  return lock;
}

ZRDecoderVideo** registry() {
  static ZRDecoderVideo* slots[ZRDecoderVideo::kRegistrySize] = {};
  return slots;
}

bool readable(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return false;
  std::fclose(f);
  return true;
}

// The sound of a CDG: the .mp3, else the .wav of the same name. Both letter cases of the ending are
// tried, as the name's case matters on this system and packages often carry upper-case endings.
std::string cdgAudioPath(const std::string& cdgPath) {
  const std::string stem = cdgPath.substr(0, cdgPath.size() - 3);
  for (const char* ending : {"mp3", "MP3", "wav", "WAV"}) {
    if (readable(stem + ending)) return stem + ending;
  }
  return stem + "wav";
}

}  // namespace

ZRCodecBase* makeVideoDecoder(int id) {
  return new ZRDecoderVideo(id);
}

ZRDecoderVideo::ZRDecoderVideo(int id) : ZRCodecBase(id) {
  if (id >= 0 && id < kRegistrySize) {
    std::lock_guard<std::mutex> g(registryLock());
    registry()[id] = this;
  }
}

ZRDecoderVideo::~ZRDecoderVideo() {
  close();
  if (id_ >= 0 && id_ < kRegistrySize) {
    std::lock_guard<std::mutex> g(registryLock());
    if (registry()[id_] == this) registry()[id_] = nullptr;
  }
}

ZRDecoderVideo* ZRDecoderVideo::getCodecById(int id) {
  if (id < 0 || id >= kRegistrySize) return nullptr;
  std::lock_guard<std::mutex> g(registryLock());
  return registry()[id];
}

void ZRDecoderVideo::attachRenderer() {
  rendererDetached_.store(false, std::memory_order_release);
  rendererAttached_.store(true, std::memory_order_release);
}

void ZRDecoderVideo::setRendererDetached() {
  rendererDetached_.store(true, std::memory_order_release);
}

bool ZRDecoderVideo::rendererWaits() const {
  return rendererAttached_.load(std::memory_order_acquire) &&
         !rendererDetached_.load(std::memory_order_acquire);
}

bool ZRDecoderVideo::waitForAcknowledgement(const char* what) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRendererWaitMs);
  while (state_.load(std::memory_order_acquire) != 0 && rendererWaits()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ZRLOG("warning: ZRDecoderVideo - no acknowledgement of the video renderer (%s) within %d ms", what,
            kRendererWaitMs);
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

bool ZRDecoderVideo::open(OpenStruct* request) {
  if (!request) return false;
  if (opened_.load()) {
    ZRLOG("warning: ZRDecoderVideo::Open - already opened (1)");
    return false;
  }
  silent_ = false;
  bool isCDG = false;
  if (!request->stream) {
    ZRString lowered = request->path;
    lowered.makeLowercase();
    const std::string lower = lowered.utf8();
    const bool endsCdg = lower.size() >= 3 && lower.compare(lower.size() - 3, 3, "cdg") == 0;
    if (request->secondPath.empty() && !endsCdg) return false;
    isCDG = endsCdg;
    if (opened_.load()) {
      ZRLOG("warning: ZRDecoderVideo::Open - already opened (2)");
      return false;
    }
  }
  waitForAcknowledgement("open");
  if (request->secondPath.empty()) request->secondPath = request->path;

  std::string audioPath = request->path.utf8();
  if (isCDG) audioPath = cdgAudioPath(audioPath);

  const bool serviceUrl = request->path.contains(ZRString("pulselocker://"));
  std::istream* pictureStream = serviceUrl ? nullptr : request->stream;
  bool pictures;
  {
    std::lock_guard<std::mutex> g(pictureLock_);
    pictures = video_.openVideoStream(request->secondPath, pictureStream, isCDG);
  }
  if (!pictures) {
    ZRLOG("error - OpenVideoStream");
    if (request->stream) {
      request->stream->clear();
      request->stream->seekg(0);
    }
    return false;
  }

  std::istream* audioStream = nullptr;
  if (serviceUrl) {
    audioStream = request->stream;
  } else if (auto* memory = dynamic_cast<ZRMemoryIStream*>(request->stream)) {
    duplicatedStream_ = memory->duplicateStream(false);
    audioStream = duplicatedStream_;
  }
  if (!audio_.openAudioStream(ZRString(audioPath), audioStream, &request->format)) {
    ZRLOG("video without an audio stream/track - generating silence");
    silent_ = true;
    request->format =
        TDSPAudioFormat{44100, 2, 16, 16, 0, static_cast<int32_t>(lrintf(video_.getSeconds() * 44100.0f))};
  }
  opened_.store(true, std::memory_order_release);
  state_.fetch_or(kStateOpened, std::memory_order_acq_rel);
  return true;
}

void ZRDecoderVideo::close() {
  if (!opened_.load()) return;
  opened_.store(false, std::memory_order_release);
  state_.fetch_or(kStateClosing, std::memory_order_acq_rel);
  // Only the two decks have renderers that acknowledge a close.
  if ((id_ == 0 || id_ == 1) && rendererWaits()) {
    waitForAcknowledgement("close");
  } else {
    state_.exchange(0, std::memory_order_acq_rel);
  }
  {
    std::lock_guard<std::mutex> g(pictureLock_);
    video_.closeVideoStream();
  }
  audio_.closeAudioStream();
  delete duplicatedStream_;
  duplicatedStream_ = nullptr;
  silent_ = false;
}

int ZRDecoderVideo::getSamples(char* dst, int frames, int pos) {
  if (silent_) {
    if (dst && frames > 0) std::memset(dst, 0, static_cast<size_t>(frames) * 4);
    return frames;
  }
  return audio_.getSamples(dst, frames, pos);
}

int64_t ZRDecoderVideo::getDecodedLength() {
  // Silence lasts exactly as long as the pictures: its length is known from the start (and reads past
  // it still deliver silence, so nothing else would ever tell its end).
  if (silent_) return opened_.load() ? lrintf(video_.getSeconds() * 44100.0f) : -1;
  return audio_.getDecodedLength();
}

int ZRDecoderVideo::putSamples(const char* /*src*/, int /*frames*/) {
  return 0;
}

float ZRDecoderVideo::getSeconds() {
  return silent_ ? video_.getSeconds() : audio_.getSeconds();
}

void ZRDecoderVideo::announceSeekToSample(int frame, bool flag) {
  const SeekCallback callback = seekCallback_.load(std::memory_order_acquire);
  if (callback) {
    callback(seekUser_.load(std::memory_order_acquire), static_cast<float>(frame) / GetSampleRate(),
             flag ? 1 : 0);
  }
}

void ZRDecoderVideo::SetTargetFrameSize(int width, int height, int bytesPerPixel) {
  video_.setTargetFrameSize(width, height, bytesPerPixel);
}

void ZRDecoderVideo::SetOnAnnounceSeekToSampleCallBack(SeekCallback callback, void* user) {
  seekUser_.store(user, std::memory_order_release);
  seekCallback_.store(callback, std::memory_order_release);
}

int ZRDecoderVideo::GetSampleRate() {
  return silent_ ? 44100 : audio_.getSampleRate();
}

double ZRDecoderVideo::GetFrameRate() {
  return video_.getFrameRate();
}

int ZRDecoderVideo::GetFrameWidth() {
  return video_.getFrameWidth();
}

int ZRDecoderVideo::GetFrameHeight() {
  return video_.getFrameHeight();
}

double ZRDecoderVideo::GetFirstFramePts() {
  return video_.getFirstFramePts();
}

bool ZRDecoderVideo::IsCDG() {
  return video_.isCDG();
}

bool ZRDecoderVideo::GetNextFrame(void* dst, double* pts, int samplePos) {
  std::lock_guard<std::mutex> g(pictureLock_);
  if (!opened_.load(std::memory_order_acquire) || !video_.isOpened()) return false;
  const bool audioOpen = audio_.isOpened();
  return video_.getNextFrame(dst, pts, samplePos, audioOpen ? audio_.getSampleRate() : 44100,
                             audioOpen ? audio_.getAudioPtsStart() : 0.0, false);
}
