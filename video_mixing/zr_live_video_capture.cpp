#include "video_mixing/zr_live_video_capture.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <mutex>

#include "common/zr_logging.h"
#include "common/zr_spsc_byte_ring.h"
#include "common/zr_texture.h"
#include "common/zr_thread.h"
#include "dsp/resample.h"
#include "video_mixing/zr_capture_device.h"

namespace {

constexpr double kResampleRatio = 44100.0 / 48000.0;  // 0.91875
constexpr int kBytesPerFrame = 2 * sizeof(float);

// The software conversion of 8-bit 4:2:2 YUV: every result looked up, none computed per pixel.
struct YuvTables {
  uint8_t red[256][256];       // [y][cr]
  uint8_t blue[256][256];      // [y][cb]
  std::vector<uint8_t> green;  // [y][cb][cr]
  YuvTables() : green(256u * 256u * 256u) {
    auto clamp = [](int sum) -> uint8_t { return static_cast<uint8_t>(sum < 0 ? 0 : sum > 255 ? 255 : sum); };
    for (int y = 0; y < 256; ++y) {
      for (int c = 0; c < 256; ++c) {
        red[y][c] = clamp((256 * y + 359 * (c - 128)) >> 8);
        blue[y][c] = clamp((256 * y + 454 * (c - 128)) >> 8);
      }
      for (int cb = 0; cb < 256; ++cb) {
        for (int cr = 0; cr < 256; ++cr) {
          green[(static_cast<size_t>(y) * 256 + cb) * 256 + cr] =
              clamp((256 * y - 88 * (cb - 128) - 183 * (cr - 128)) >> 8);
        }
      }
    }
  }
};

const YuvTables& yuvTables() {
  static const YuvTables* tables = new YuvTables();  // kept for the process: 16 MiB built once
  return *tables;
}

void sayOnce(std::atomic<bool>& said, const char* text, uint32_t format) {
  if (!said.exchange(true)) ZRLOG(text, format);
}

std::atomic<bool> g_saidFormat{false};
std::atomic<bool> g_saidSize{false};
std::atomic<bool> g_saidShort{false};
std::atomic<bool> g_saidBits{false};

}  // namespace

ZRLiveVideoCapture::ZRLiveVideoCapture(int selfId, bool useOpenGL, int width, int height,
                                       double framesPerSecond, bool interlaced, int audioLatency,
                                       Discovery discovery)
    : selfId_(selfId),
      useOpenGL_(useOpenGL),
      width_(width),
      height_(height),
      framesPerSecond_(framesPerSecond),
      interlaced_(interlaced),
      capturing_(std::make_unique<Picture>()),
      ready_(std::make_unique<Picture>()),
      shown_(std::make_unique<Picture>()),
      audio_(std::make_unique<ZRSpscByteRing>(std::max(audioLatency, 128) * 8 + 16384)) {
  ZRLOG("ZRLiveVideoCapture CREATE selfId=%d, useOpenGL=%d (%dx%d, %.2f fps, interlaced=%d), audioLatency=%d",
        selfId, useOpenGL ? 1 : 0, width, height, framesPerSecond, interlaced ? 1 : 0, audioLatency);
  if (discovery != nullptr) {
    discovery_ = std::make_unique<ZRThread>(
        [this, discovery](void*) {
          discovery(this);
          return false;
        },
        nullptr, 0, -1, "liveVideoDiscovery");
  }
}

ZRLiveVideoCapture::~ZRLiveVideoCapture() {
  ZRLOG("ZRLiveVideoCapture DESTROY selfId=%d, useOpenGL=%d", selfId_, useOpenGL_ ? 1 : 0);
  // No device arrives any more once the discovery has ended; then the list is emptied.
  discovery_.reset();
  stopDevices();
  texture_.reset();
}

void ZRLiveVideoCapture::stopDevices() {
  std::lock_guard<std::mutex> guard(deviceLock_);
  for (std::unique_ptr<ZRCaptureDevice>& device : devices_) {
    if (device->isCapturing()) device->stopCapture();
  }
  devices_.clear();
}

void ZRLiveVideoCapture::deviceArrived(std::unique_ptr<ZRCaptureDevice> device) {
  if (!device) return;
  ZRLOG("ZRLiveVideoCapture deviceArrived selfId=%d, useOpenGL=%d: '%s'", selfId_, useOpenGL_ ? 1 : 0,
        device->displayName().c_str());
  std::lock_guard<std::mutex> guard(deviceLock_);
  devices_.push_back(std::move(device));
  if (devices_.size() != 1) return;
  ZRCaptureDevice& first = *devices_.front();
  ZRLOG("start capturing on device '%s', %dx%d at %.2f fps (interlaced=%d)", first.displayName().c_str(),
        width_, height_, framesPerSecond_, interlaced_ ? 1 : 0);
  if (!first.startCapture(this, width_, height_, framesPerSecond_))
    ZRLOG("error starting the capture on device '%s'", first.displayName().c_str());
}

void ZRLiveVideoCapture::deviceRemoved(ZRCaptureDevice* device) {
  ZRLOG("ZRLiveVideoCapture deviceRemoved selfId=%d, useOpenGL=%d", selfId_, useOpenGL_ ? 1 : 0);
  std::lock_guard<std::mutex> guard(deviceLock_);
  for (auto it = devices_.begin(); it != devices_.end(); ++it) {
    if (it->get() != device) continue;
    if ((*it)->isCapturing()) (*it)->stopCapture();
    devices_.erase(it);
    return;
  }
}

int ZRLiveVideoCapture::getDeviceCount() {
  std::lock_guard<std::mutex> guard(deviceLock_);
  return static_cast<int>(devices_.size());
}

// ---- pictures -------------------------------------------------------------------------------------

bool ZRLiveVideoCapture::convert(const uint8_t* data, int width, int height, int stride, uint32_t format,
                                 Picture& out) {
  out.width = width;
  out.height = height;
  out.pixels.resize(static_cast<size_t>(width) * height * 4);
  uint8_t* dst = out.pixels.data();
  // The OpenGL engine takes B, G, R, A; the other one R, G, B, A.
  const int r = useOpenGL_ ? 2 : 0, b = useOpenGL_ ? 0 : 2;
  if (format == kFormatUYVY || format == kFormatYUYV) {
    const YuvTables& t = yuvTables();
    // Byte offsets of Y0, Cb, Y1, Cr in a group of two pixels.
    const int y0 = format == kFormatUYVY ? 1 : 0, cbAt = format == kFormatUYVY ? 0 : 1;
    const int y1 = y0 + 2, crAt = cbAt + 2;
    for (int row = 0; row < height; ++row) {
      const uint8_t* src = data + static_cast<size_t>(row) * stride;
      for (int x = 0; x + 1 < width; x += 2, src += 4) {
        const uint8_t cb = src[cbAt], cr = src[crAt];
        for (const uint8_t y : {src[y0], src[y1]}) {
          dst[r] = t.red[y][cr];
          dst[1] = t.green[(static_cast<size_t>(y) * 256 + cb) * 256 + cr];
          dst[b] = t.blue[y][cb];
          dst[3] = 255;
          dst += 4;
        }
      }
      if (width % 2 != 0) {  // the odd last pixel takes the next group's luma alone
        const uint8_t y = src[y0], cb = src[cbAt], cr = src[crAt];
        dst[r] = t.red[y][cr];
        dst[1] = t.green[(static_cast<size_t>(y) * 256 + cb) * 256 + cr];
        dst[b] = t.blue[y][cb];
        dst[3] = 255;
        dst += 4;
      }
    }
    return true;
  }
  if (format == kFormatRGB24 || format == kFormatBGR24 || format == kFormatBGRA) {
    const int inBytes = format == kFormatBGRA ? 4 : 3;
    const int inR = format == kFormatRGB24 ? 0 : 2, inB = 2 - inR;
    for (int row = 0; row < height; ++row) {
      const uint8_t* src = data + static_cast<size_t>(row) * stride;
      for (int x = 0; x < width; ++x, src += inBytes, dst += 4) {
        dst[r] = src[inR];
        dst[1] = src[1];
        dst[b] = src[inB];
        dst[3] = 255;
      }
    }
    return true;
  }
  return false;
}

void ZRLiveVideoCapture::putVideoFrame(const void* data, size_t bytes, int width, int height, int stride,
                                       uint32_t format) {
  if (data == nullptr || width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
    sayOnce(g_saidSize, "live video: a picture without size or larger than the largest taken is dropped (%x)",
            format);
    return;
  }
  int pixelBytes;
  if (format == kFormatUYVY || format == kFormatYUYV) {
    pixelBytes = 2;
  } else if (format == kFormatRGB24 || format == kFormatBGR24) {
    pixelBytes = 3;
  } else if (format == kFormatBGRA) {
    pixelBytes = 4;
  } else {
    sayOnce(g_saidFormat, "live video: pixel format %08x is not converted; its pictures are dropped", format);
    return;
  }
  const size_t rowBytes = static_cast<size_t>(width + (pixelBytes == 2 ? width % 2 : 0)) * pixelBytes;
  if (stride <= 0) stride = static_cast<int>(rowBytes);
  if (static_cast<size_t>(stride) < rowBytes ||
      bytes < static_cast<size_t>(stride) * static_cast<size_t>(height - 1) + rowBytes) {
    sayOnce(g_saidShort, "live video: a picture shorter than its size says is dropped (%x)", format);
    return;
  }
  if (!convert(static_cast<const uint8_t*>(data), width, height, stride, format, *capturing_)) return;
  std::lock_guard<std::mutex> guard(frameLock_);
  std::swap(capturing_, ready_);
  readyNew_ = true;
}

bool ZRLiveVideoCapture::hasNewFrame() {
  std::lock_guard<std::mutex> guard(frameLock_);
  return readyNew_;
}

void ZRLiveVideoCapture::renderToTexture(void* device, void* context) {
  {
    std::lock_guard<std::mutex> guard(frameLock_);
    if (!readyNew_) return;
    std::swap(ready_, shown_);
    readyNew_ = false;
  }
  if (shown_->width <= 0 || shown_->height <= 0) return;
  if (!texture_) {
    texture_.reset(ZRTexture::createTexture(
        true, 1.0f, useOpenGL_ ? ZRRenderEngineOpenGL : ZRRenderEngineRGBA, device, context));
    if (!texture_) return;
    ZRLOG("texture created tag=1 [live video]");
  }
  if (!texture_->initWithOrRefreshData(shown_->pixels.data(), shown_->width, shown_->height,
                                       ZRPixelFormatBGRA, false)) {
    ZRLOG("error: RenderToTexture: can not refresh data [live video]");
    texture_.reset();
  }
}

// ---- sound ----------------------------------------------------------------------------------------

int ZRLiveVideoCapture::resampledFrames(int frames) {
  return frames > 0 ? static_cast<int>(lrintf(static_cast<float>(frames * kResampleRatio))) : 0;
}

void ZRLiveVideoCapture::putAudioPacket(const void* samples, int frames, int bitsPerSample) {
  if (samples == nullptr || frames <= 0) return;
  if (bitsPerSample != 16 && bitsPerSample != 32) {
    sayOnce(g_saidBits, "live video: audio of %u bits per sample is dropped",
            static_cast<uint32_t>(bitsPerSample));
    return;
  }
  const size_t values = static_cast<size_t>(frames) * 2;
  audioIn_.resize(values);
  if (bitsPerSample == 16) {
    const auto* in = static_cast<const int16_t*>(samples);
    for (size_t i = 0; i < values; ++i) audioIn_[i] = static_cast<float>(in[i]) * 0x1p-15f;
  } else {
    const auto* in = static_cast<const int32_t*>(samples);
    for (size_t i = 0; i < values; ++i)
      audioIn_[i] = static_cast<float>(static_cast<double>(in[i]) * 0x1p-31);
  }
  const int outFrames = resampledFrames(frames);
  audioOut_.resize(static_cast<size_t>(outFrames) * 2);
  ResampleFloatSamples(audioIn_.data(), frames, audioOut_.data(), outFrames, 2);
  // A block that does not fit is dropped whole.
  audio_->putBlock(audioOut_.data(), outFrames * kBytesPerFrame);
}

void ZRLiveVideoCapture::GetSamples(float* buffer, int frames) {
  if (buffer == nullptr || frames <= 0) return;
  if (!audio_->getBlock(buffer, frames * kBytesPerFrame))
    std::memset(buffer, 0, static_cast<size_t>(frames) * kBytesPerFrame);
}
