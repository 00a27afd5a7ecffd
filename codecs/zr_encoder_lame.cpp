#include "codecs/zr_encoder_lame.h"

#include <dlfcn.h>

#include <cstring>
#include <mutex>

#include "common/zr_files.h"
#include "common/zr_logging.h"

namespace {

// LAME's own names for the settings used here.
constexpr int kLameVbrOff = 0;
constexpr int kLameVbrDefault = 4;  // vbr_mtrh, LAME's default VBR method
constexpr int kLameModeStereo = 0;  // plain stereo, not joint stereo
constexpr int kLameModeMono = 3;

std::mutex& placesLock() {
  static std::mutex m;
  return m;
}

std::vector<std::string>& places() {
  static std::vector<std::string> p = ZREncoderLame::defaultLibraryPlaces();
  return p;
}

}  // namespace

// The entry points the encoder uses, declared here because the library comes without headers on the
// machines it runs on. The handle is LAME's lame_global_flags*, kept opaque.
struct ZREncoderLame::Api {
  using Handle = void*;
  Handle (*lame_init)() = nullptr;
  const char* (*get_lame_version)() = nullptr;
  int (*lame_init_params)(Handle) = nullptr;
  int (*lame_encode_buffer)(Handle, const short*, const short*, int, unsigned char*, int) = nullptr;
  int (*lame_encode_buffer_interleaved)(Handle, short*, int, unsigned char*, int) = nullptr;
  int (*lame_encode_flush)(Handle, unsigned char*, int) = nullptr;
  int (*lame_close)(Handle) = nullptr;
  int (*lame_set_in_samplerate)(Handle, int) = nullptr;
  int (*lame_set_out_samplerate)(Handle, int) = nullptr;
  int (*lame_set_num_channels)(Handle, int) = nullptr;
  int (*lame_set_quality)(Handle, int) = nullptr;
  int (*lame_set_brate)(Handle, int) = nullptr;
  int (*lame_set_VBR)(Handle, int) = nullptr;
  int (*lame_set_VBR_q)(Handle, int) = nullptr;
  int (*lame_set_mode)(Handle, int) = nullptr;
  int (*lame_set_preset)(Handle, int) = nullptr;
  int (*lame_set_error_protection)(Handle, int) = nullptr;
  int (*lame_set_disable_reservoir)(Handle, int) = nullptr;
  int (*lame_set_padding_type)(Handle, int) = nullptr;
  int (*lame_set_bWriteVbrTag)(Handle, int) = nullptr;
  // Optional.
  int (*lame_set_VBR_min_bitrate_kbps)(Handle, int) = nullptr;
  size_t (*lame_get_lametag_frame)(Handle, unsigned char*, size_t) = nullptr;
  void (*lame_mp3_tags_fid)(Handle, FILE*) = nullptr;
};

namespace {

template <typename F>
bool resolve(void* library, const char* name, F& slot) {
  slot = reinterpret_cast<F>(dlsym(library, name));
  return slot != nullptr;
}

}  // namespace

std::vector<std::string> ZREncoderLame::defaultLibraryPlaces() {
  return {"libmp3lame.so.0", "libmp3lame.so"};
}

void ZREncoderLame::setLibraryPlaces(const std::vector<std::string>& newPlaces) {
  std::lock_guard<std::mutex> g(placesLock());
  places() = newPlaces;
}

std::vector<std::string> ZREncoderLame::libraryPlaces() {
  std::lock_guard<std::mutex> g(placesLock());
  return places();
}

ZREncoderLame::ZREncoderLame(int id) : ZRCodecBase(id), queue_(kQueueBytes, true) {
  for (const std::string& place : libraryPlaces()) {
    if (loadFrom(place)) break;
  }
}

ZREncoderLame::~ZREncoderLame() {
  close();
  unload();
}

bool ZREncoderLame::loadFrom(const std::string& place) {
  void* library = dlopen(place.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    ZRLOG("lame: can not load library");
    return false;
  }
  auto api = std::make_unique<Api>();
  const bool required =
      resolve(library, "lame_init", api->lame_init) &&
      resolve(library, "get_lame_version", api->get_lame_version) &&
      resolve(library, "lame_init_params", api->lame_init_params) &&
      resolve(library, "lame_encode_buffer", api->lame_encode_buffer) &&
      resolve(library, "lame_encode_buffer_interleaved", api->lame_encode_buffer_interleaved) &&
      resolve(library, "lame_encode_flush", api->lame_encode_flush) &&
      resolve(library, "lame_close", api->lame_close) &&
      resolve(library, "lame_set_in_samplerate", api->lame_set_in_samplerate) &&
      resolve(library, "lame_set_out_samplerate", api->lame_set_out_samplerate) &&
      resolve(library, "lame_set_num_channels", api->lame_set_num_channels) &&
      resolve(library, "lame_set_quality", api->lame_set_quality) &&
      resolve(library, "lame_set_brate", api->lame_set_brate) &&
      resolve(library, "lame_set_VBR", api->lame_set_VBR) &&
      resolve(library, "lame_set_VBR_q", api->lame_set_VBR_q) &&
      resolve(library, "lame_set_mode", api->lame_set_mode) &&
      resolve(library, "lame_set_preset", api->lame_set_preset) &&
      resolve(library, "lame_set_error_protection", api->lame_set_error_protection) &&
      resolve(library, "lame_set_disable_reservoir", api->lame_set_disable_reservoir) &&
      resolve(library, "lame_set_padding_type", api->lame_set_padding_type) &&
      resolve(library, "lame_set_bWriteVbrTag", api->lame_set_bWriteVbrTag);
  if (!required) {
    dlclose(library);
    ZRLOG("lame: library does not contain standard symbols");
    return false;
  }
  resolve(library, "lame_set_VBR_min_bitrate_kbps", api->lame_set_VBR_min_bitrate_kbps);
  resolve(library, "lame_get_lametag_frame", api->lame_get_lametag_frame);
  resolve(library, "lame_mp3_tags_fid", api->lame_mp3_tags_fid);
  void* handle = api->lame_init();
  if (!handle) {
    dlclose(library);
    ZRLOG("lame: error on init");
    return false;
  }
  library_ = library;
  api_ = std::move(api);
  lame_ = handle;
  handleUsed_ = false;
  return true;
}

void ZREncoderLame::unload() {
  if (api_ && lame_) api_->lame_close(lame_);
  lame_ = nullptr;
  api_.reset();
  if (library_) dlclose(library_);
  library_ = nullptr;
}

bool ZREncoderLame::isOk() const {
  return library_ != nullptr && api_ != nullptr && lame_ != nullptr;
}

bool ZREncoderLame::open(OpenStruct* request) {
  if (!isOk()) {
    ZRLOG("lame: library not opened/found");
    return false;
  }
  if (!request || opened_ || !request->writeMode) {
    ZRLOG("lame: already opened");
    return false;
  }
  // Settings and counters of an earlier stream stay in a used handle; start from a fresh one.
  if (handleUsed_) {
    void* fresh = api_->lame_init();
    if (!fresh) {
      ZRLOG("lame: error on init");
      return false;
    }
    api_->lame_close(lame_);
    lame_ = fresh;
    handleUsed_ = false;
  }
  pathUtf8_ = request->path.utf8();
  file_ = OpenFileFromZRString(request->path, "wb");
  if (!file_) {
    ZRLOG("lame: output file '%s' not opened", pathUtf8_);
    return false;
  }
  format_ = request->format;
  queue_.clear();
  ZRLOG("lame encoding at %d Hz, %d channels, %d kbps bitrate, vbr=%d", format_.sampleRate, format_.channels,
        bitrate_, vbr_);

  const Api& a = *api_;
  a.lame_set_error_protection(lame_, 0);
  a.lame_set_num_channels(lame_, format_.channels);
  a.lame_set_in_samplerate(lame_, format_.sampleRate);
  a.lame_set_out_samplerate(lame_, format_.sampleRate);
  a.lame_set_disable_reservoir(lame_, 1);
  a.lame_set_padding_type(lame_, 0);
  a.lame_set_bWriteVbrTag(lame_, 1);
  if (vbr_) {
    a.lame_set_VBR(lame_, kLameVbrDefault);
    a.lame_set_VBR_q(lame_, 2);
  } else {
    a.lame_set_VBR(lame_, kLameVbrOff);
    a.lame_set_brate(lame_, bitrate_);
  }
  a.lame_set_mode(lame_, format_.channels == 1 ? kLameModeMono : kLameModeStereo);
  handleUsed_ = true;
  const bool formatUsable = (format_.channels == 1 || format_.channels == 2) && format_.bitsPerSample2 == 16;
  if (!formatUsable || a.lame_init_params(lame_) < 0) {
    fclose(file_);
    file_ = nullptr;
    return false;
  }

  tagFrameSize_ = 0;
  bytesPerFrame_ = format_.channels * ((format_.bitsPerSample2 + 7) / 8);
  blockBytes_ = bytesPerFrame_ * kBlockFrames;
  block_ = std::make_unique<unsigned char[]>(static_cast<size_t>(blockBytes_));
  mp3Buffer_ = std::make_unique<unsigned char[]>(kMp3BufferBytes);
  framesEncoded_.store(0, std::memory_order_relaxed);
  opened_ = true;
  return true;
}

int ZREncoderLame::getSamples(char*, int, int) {
  return 0;
}

bool ZREncoderLame::writeAll(const unsigned char* bytes, int count) {
  if (count <= 0) return true;
  return fwrite(bytes, 1, static_cast<size_t>(count), file_) == static_cast<size_t>(count);
}

bool ZREncoderLame::encodeBlock(int frames) {
  short* pcm = reinterpret_cast<short*>(block_.get());
  const int produced =
      format_.channels == 1
          ? api_->lame_encode_buffer(lame_, pcm, pcm, frames, mp3Buffer_.get(), kMp3BufferBytes)
          : api_->lame_encode_buffer_interleaved(lame_, pcm, frames, mp3Buffer_.get(), kMp3BufferBytes);
  if (produced < 0) return false;
  return writeAll(mp3Buffer_.get(), produced);
}

int ZREncoderLame::putSamples(const char* src, int frames) {
  if (!opened_ || !src || frames <= 0) return 0;
  if (!queue_.putBlock(src, frames * bytesPerFrame_)) return 0;
  while (queue_.getUsed() >= blockBytes_) {
    queue_.getBlock(block_.get(), blockBytes_);
    if (!encodeBlock(kBlockFrames)) {
      ZRLOG("lame: output file write error");
      return 0;
    }
    framesEncoded_.fetch_add(kBlockFrames, std::memory_order_relaxed);
  }
  return frames;
}

float ZREncoderLame::getSeconds() {
  if (!opened_ || format_.sampleRate <= 0) return 0.0f;
  return static_cast<float>(framesEncoded_.load(std::memory_order_relaxed)) /
         static_cast<float>(format_.sampleRate);
}

void ZREncoderLame::close() {
  if (!opened_) return;
  const int rest = queue_.getUsed() / bytesPerFrame_;
  if (rest > 0) {
    queue_.getBlock(block_.get(), rest * bytesPerFrame_);
    // A failed write here shows again, and is reported, when the flush is written.
    encodeBlock(rest);
  }
  const int flushed = api_->lame_encode_flush(lame_, mp3Buffer_.get(), kMp3BufferBytes);
  if (flushed < 0 || !writeAll(mp3Buffer_.get(), flushed) || fflush(file_) != 0) {
    ZRLOG("lame: output file write error (flush)");
    fclose(file_);
    file_ = nullptr;
    releaseBuffers();
    return;
  }
  if (api_->lame_get_lametag_frame) {
    tagFrameSize_ = static_cast<int>(api_->lame_get_lametag_frame(lame_, tagFrame_, sizeof tagFrame_));
    if (tagFrameSize_ > static_cast<int>(sizeof tagFrame_)) tagFrameSize_ = 0;
    if (tagFrameSize_ > 0) {
      if (fseek(file_, 0, SEEK_SET) != 0 || !writeAll(tagFrame_, tagFrameSize_) || fflush(file_) != 0) {
        ZRLOG("lame: output file write error (infotag)");
        fclose(file_);
        file_ = nullptr;
        releaseBuffers();
        return;
      }
    }
  }
  if (fclose(file_) != 0) ZRLOG("lame: output file write error (flush)");
  file_ = nullptr;
  releaseBuffers();
}

void ZREncoderLame::releaseBuffers() {
  block_.reset();
  mp3Buffer_.reset();
  queue_.clear();
  opened_ = false;
  framesEncoded_.store(0, std::memory_order_relaxed);
}
