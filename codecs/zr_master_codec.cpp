#include "codecs/zr_master_codec.h"

#include <algorithm>
#include <climits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cmath>
#include <cstring>

#include "codecs/zr_decoder_ffmpeg.h"
#include "codecs/zr_karaoke_package.h"
#include "common/shell_hooks.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "dsp/resample.h"
#include "dsp/sample_formats.h"

ZRCriticalSection ReadSession;

namespace {

std::atomic<ZRVideoDecoderFactory> g_videoDecoderFactory{nullptr};
std::atomic<ZRZipCdgExtractor> g_zipExtractor{nullptr};
std::atomic<ZRZipCdgExtractor> g_zipExtractorFallback{nullptr};

constexpr int kVideoCodecMaxId = 49;
constexpr float kMaxSecondsPerRequest = 2.0f;
// What a source may claim: buffers and work are sized from its rate and channel count, so a broken or
// hostile header must not reach them. 64 channels is the most the FFmpeg converter takes.
constexpr int kMinSourceRate = 1000;
constexpr int kMaxSourceRate = 768000;
constexpr int kMaxSourceChannels = 64;

// Streaming-service track URLs: nothing exists on disk for them.
const char* const kSchemes[] = {"pulselocker://song/", "lirra://track/", "ipod-library://item/"};

// dst[i] = lrintf(src[i] x 32767) held to -32768..32767 (NaN gives -32768): the product is held in the
// 16-bit range, then rounded to the nearest (even) integer, four at a time where SSE2 is there.
void floatsToShorts(const float* src, short* dst, long count) {
  long i = 0;
#if defined(__SSE2__)
  const __m128 scale = _mm_set1_ps(32767.0f);
  const __m128 low = _mm_set1_ps(-32768.0f);
  const __m128 high = _mm_set1_ps(32767.0f);
  for (; i + 8 <= count; i += 8) {
    // max_ps gives its second operand for NaN.
    const __m128 a = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(src + i), scale), low), high);
    const __m128 b = _mm_min_ps(_mm_max_ps(_mm_mul_ps(_mm_loadu_ps(src + i + 4), scale), low), high);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + i),
                     _mm_packs_epi32(_mm_cvtps_epi32(a), _mm_cvtps_epi32(b)));
  }
#endif
  for (; i < count; ++i) {
    float v = src[i] * 32767.0f;
    if (!(v >= -32768.0f)) v = -32768.0f;
    if (v > 32767.0f) v = 32767.0f;
    dst[i] = static_cast<short>(lrintf(v));
  }
}

class ReadSessionGuard {
 public:
  ReadSessionGuard() { ReadSession.enterExclusive(); }
  ~ReadSessionGuard() { ReadSession.leaveExclusive(); }
  ReadSessionGuard(const ReadSessionGuard&) = delete;
  ReadSessionGuard& operator=(const ReadSessionGuard&) = delete;
};

}  // namespace

void ZRMasterCodec::setVideoDecoderFactory(ZRVideoDecoderFactory factory) {
  g_videoDecoderFactory.store(factory);
}

void ZRMasterCodec::setZipCdgExtractors(ZRZipCdgExtractor primary, ZRZipCdgExtractor fallback) {
  g_zipExtractor.store(primary);
  g_zipExtractorFallback.store(fallback);
}

ZRMasterCodec::ZRMasterCodec(int id) {
  addAllCodecs(id);
}

ZRMasterCodec::~ZRMasterCodec() {
  close();
  for (int i = count_ - 1; i >= 0; --i) {
    delete decoders_[i];
    decoders_[i] = nullptr;
  }
  count_ = 0;
}

void ZRMasterCodec::addAllCodecs(int id) {
  if (id <= kVideoCodecMaxId) {
    if (ZRVideoDecoderFactory factory = g_videoDecoderFactory.load()) addCodec(factory(id));
  }
  addCodec(new ZRDecoderFFMpeg(id));
}

bool ZRMasterCodec::addCodec(ZRCodecBase* codec) {
  if (!codec) return false;
  if (count_ >= kMaxDecoders || isOpen()) {
    delete codec;
    return false;
  }
  decoders_[count_++] = codec;
  return true;
}

ZRCodecBase* ZRMasterCodec::getOpenCodec() const {
  const int index = openIndex_.load(std::memory_order_acquire);
  return index >= 0 ? decoders_[index] : nullptr;
}

void ZRMasterCodec::releasePackage() {
  // The extracted files go with the package's last user.
  if (extractedPackage_.endsWithNoCase("cdg")) ZRKaraokePackages::release(extractedPackage_);
  extractedPackage_ = ZRString();
}

void ZRMasterCodec::dropOwnedStream(ZRCodecBase::OpenStruct* request) {
  if (request->ownsStream && request->stream) {
    delete request->stream;
    request->stream = nullptr;
  }
}

bool ZRMasterCodec::extractPackage(ZRCodecBase::OpenStruct* request) {
  const ZRZipCdgExtractor primary = g_zipExtractor.load();
  const ZRZipCdgExtractor fallback = g_zipExtractorFallback.load();
  if (!primary && !fallback) {
    ZRLOG("error: zip karaoke packages cannot be opened (no extractor) '%s'", request->path);
    return false;
  }
  const ZRString folder = GetSamplesDir();
  if (folder.empty()) {
    ZRLOG("error: no Samples folder to extract the karaoke package '%s' into", request->path);
    return false;
  }
  // Shared and counted: a package another player has open is not extracted over its files again.
  const ZRString path = ZRKaraokePackages::acquire(request->path, folder, primary, fallback);
  request->path = path;
  extractedPackage_ = path;
  return true;
}

bool ZRMasterCodec::openFileOrStream(ZRCodecBase::OpenStruct* request, float maxSecondsPerRequest) {
  if (!request) return false;
  if (maxSecondsPerRequest > kMaxSecondsPerRequest) {
    ZRLOG("WARNING: maxSecondsOnRequest=%.3fs is too high, clamping to 2s", maxSecondsPerRequest);
    maxSecondsPerRequest = kMaxSecondsPerRequest;
  }
  ZRLOG("ZRMasterCodec opening '%s'", request->path);
  if (isOpen()) {
    dropOwnedStream(request);
    return false;
  }

  bool isServiceUrl = false;
  for (const char* scheme : kSchemes) isServiceUrl = isServiceUrl || request->path.contains(scheme);
  if (!isServiceUrl && !request->writeMode && !request->stream && !FileExists(request->path) &&
      !request->path.endsWith("$")) {
    return false;
  }

  // Karaoke: an mp3 or wav with a .cdg beside it opens as CDG (the picture decoder takes the sound from
  // the audio file); a zip package is first extracted into the Samples folder.
  if (!request->stream) {
    if (request->path.endsWithNoCase("mp3") || request->path.endsWithNoCase("wav")) {
      const ZRString cdg = request->path.getPathAndName() + ZRString(".cdg");
      if (FileExists(cdg)) request->path = cdg;
    } else if (request->path.endsWithNoCase("zip")) {
      if (!extractPackage(request)) return false;
    }
  }

  ReadSessionGuard guard;
  source_ = request->format;
  requested_ = request->format;
  int winner = -1;
  for (int i = 0; i < count_ && winner < 0; ++i) {
    ZRCodecBase* codec = decoders_[i];
    if (!codec) continue;
    if (request->stream && !codec->canOpenStream()) continue;
    if (codec->open(request)) winner = i;
  }
  if (winner < 0) {
    ZRLOG("no suitable codec found");
    dropOwnedStream(request);
    releasePackage();
    return false;
  }

  source_ = request->format;
  if (source_.sampleRate < kMinSourceRate || source_.sampleRate > kMaxSourceRate || source_.channels < 1 ||
      source_.channels > kMaxSourceChannels) {
    ZRLOG("error: unsupported audio format (%d Hz, %d channels) in '%s'", source_.sampleRate,
          source_.channels, request->path);
    decoders_[winner]->close();
    dropOwnedStream(request);
    releasePackage();
    return false;
  }
  if (requested_.sampleRate <= 0) requested_.sampleRate = source_.sampleRate;
  if (requested_.channels <= 0) requested_.channels = source_.channels;
  request->format = requested_;
  request->format.totalFrames = static_cast<int32_t>(
      CalculateDestinationSamples(source_.sampleRate, source_.totalFrames, requested_.sampleRate));

  maxSecondsPerRequest_ = std::max(0.0f, maxSecondsPerRequest);
  const int channels = std::max(source_.channels, requested_.channels);
  const int rate = std::max(source_.sampleRate, requested_.sampleRate);
  const int needed =
      static_cast<int>(lrintf(static_cast<float>(channels) * (maxSecondsPerRequest_ * (rate + 1))));
  if (capacity_ < needed) {
    convertBuffer_.reset(new float[needed]);
    shortPathBuffer_.reset(new float[needed]);
    capacity_ = needed;
  }
  if (source_.sampleRate != requested_.sampleRate) {
    const int sourceFrames = capacity_ / std::max(source_.channels, requested_.channels);
    const bool converting =
        converter_.open(source_.sampleRate, requested_.sampleRate, requested_.channels, sourceFrames,
                        [this](int64_t pos, int frames, int* got) {
                          *got = decodeToFloat(frames, static_cast<int>(std::min<int64_t>(pos, INT_MAX)));
                          return static_cast<const float*>(convertBuffer_.get());
                        });
    if (!converting) {
      decoders_[winner]->close();
      dropOwnedStream(request);
      releasePackage();
      return false;
    }
  }
  if (request->ownsStream) ownedStream_ = request->stream;
  openIndex_.store(winner, std::memory_order_release);
  return true;
}

int ZRMasterCodec::decodeToFloat(int n, int p) {
  ZRCodecBase* codec = decoders_[openIndex_.load(std::memory_order_relaxed)];
  const int srcChannels = source_.channels;
  const int dstChannels = requested_.channels;
  const int bits = source_.bitsPerSample2;
  float* buffer = convertBuffer_.get();
  const int read = codec->getSamples(reinterpret_cast<char*>(buffer), n, p);
  const int samples = n * srcChannels;
  // What the source did not fill is silence (zero bytes, converted like the rest).
  const size_t width = bits == 8 || bits == 16 || bits == 24 ? static_cast<size_t>(bits / 8) : sizeof(float);
  const size_t filled = static_cast<size_t>(std::clamp(read, 0, n)) * srcChannels * width;
  std::memset(reinterpret_cast<char*>(buffer) + filled, 0, static_cast<size_t>(samples) * width - filled);
  if (codec->getNeedEndianConversion()) ReverseEndianInplace(reinterpret_cast<char*>(buffer), samples, bits);

  // Widen in place from the last sample to the first, so that the wider floats never overwrite raw
  // samples not yet read.
  auto* raw = reinterpret_cast<unsigned char*>(buffer);
  switch (bits) {
    case 8:
      for (int i = samples - 1; i >= 0; --i) buffer[i] = (static_cast<float>(raw[i]) - 128.0f) * 0.0078125f;
      break;
    case 16:
      for (int i = samples - 1; i >= 0; --i) {
        int16_t v;
        std::memcpy(&v, raw + 2 * static_cast<size_t>(i), 2);
        buffer[i] = static_cast<float>(v) * 3.0518e-5f;
      }
      break;
    case 24:
      for (int i = samples - 1; i >= 0; --i) {
        myInt24 v;
        std::memcpy(v.b, raw + 3 * static_cast<size_t>(i), 3);
        buffer[i] = Int24ToFloat(v);
      }
      break;
    default:
      break;  // already floats
  }

  if (dstChannels < srcChannels) {
    for (int f = 0; f < n; ++f) {
      for (int c = 0; c < dstChannels; ++c) buffer[f * dstChannels + c] = buffer[f * srcChannels + c];
    }
  } else if (srcChannels == 1 && dstChannels == 2) {
    for (int f = n - 1; f >= 0; --f) {
      const float v = buffer[f];
      buffer[2 * f] = v;
      buffer[2 * f + 1] = v;
    }
  } else if (dstChannels > srcChannels) {
    for (int f = n - 1; f >= 0; --f) {
      for (int c = dstChannels - 1; c >= 0; --c) {
        buffer[f * dstChannels + c] = buffer[f * srcChannels + std::min(c, srcChannels - 1)];
      }
    }
  }
  return read;
}

bool ZRMasterCodec::fitsBuffers(int frames) const {
  // The buffers hold maxSecondsPerRequest; a longer request would overrun them.
  const long sourceFrames = CalculateDestinationSamples(requested_.sampleRate, frames, source_.sampleRate);
  const long needed = std::max<long>(sourceFrames, frames) * std::max(source_.channels, requested_.channels);
  if (needed <= capacity_) return true;
  ZRLOG("error: read of %d frames exceeds the %.3fs per request the codec was opened for", frames,
        maxSecondsPerRequest_);
  return false;
}

int ZRMasterCodec::getSamples(float* dst, int frames, int pos) {
  if (frames < kMinFramesPerRequest || pos < 0 || !dst || !isOpen()) return 0;
  if (!fitsBuffers(frames)) return 0;
  ReadSessionGuard guard;
  if (source_.sampleRate != requested_.sampleRate) return converter_.read(dst, frames, pos);
  const int read = decodeToFloat(frames, pos);
  std::memcpy(dst, convertBuffer_.get(), static_cast<size_t>(frames) * requested_.channels * sizeof(float));
  return read;
}

int ZRMasterCodec::getDecodedLength() {
  ZRCodecBase* codec = getOpenCodec();
  const int64_t length = codec ? codec->getDecodedLength() : -1;
  if (length < 0) return -1;
  return static_cast<int>(std::min<long>(
      INT_MAX,
      CalculateDestinationSamples(source_.sampleRate, static_cast<double>(length), requested_.sampleRate)));
}

int ZRMasterCodec::getSamplesShort(short* dst, int frames, int pos) {
  if (frames < kMinFramesPerRequest || pos < 0 || !dst || !isOpen()) return 0;
  const int channels = requested_.channels;
  if (source_.sampleRate == requested_.sampleRate && source_.bitsPerSample2 == 16 &&
      source_.channels == channels) {
    ZRCodecBase* codec = getOpenCodec();
    const int read = codec->getSamples(reinterpret_cast<char*>(dst), frames, pos);
    if (codec->getNeedEndianConversion())
      ReverseEndianInplace(reinterpret_cast<char*>(dst), frames * channels, 16);
    return read;
  }
  if (!fitsBuffers(frames)) return 0;
  float* floats = shortPathBuffer_.get();
  const int read = getSamples(floats, frames, pos);
  const long count = static_cast<long>(frames) * channels;
  floatsToShorts(floats, dst, count);
  return read;
}

void ZRMasterCodec::announceSeekToSample(int frame, bool flag) {
  if (ZRCodecBase* codec = getOpenCodec()) codec->announceSeekToSample(frame, flag);
}

void ZRMasterCodec::close() {
  const int index = openIndex_.load(std::memory_order_acquire);
  if (index < 0) return;
  ReadSessionGuard guard;
  decoders_[index]->close();
  converter_.close();
  openIndex_.store(-1, std::memory_order_release);
  releasePackage();
  delete ownedStream_;
  ownedStream_ = nullptr;
}
