#pragma once
// ZRLiveVideoCapture: the live picture the video output lays over the mix. It keeps the capture devices
// in their order of arrival and captures from the first one only (later ones are listed, not started; a
// removed first device starts none in its place). Each captured picture is converted to 4-byte pixels
// (B, G, R, A for the OpenGL engine, else R, G, B, A) on the capture thread: 8-bit 4:2:2 YUV in either
// byte order (UYVY, YUYV) through lookup tables, 24- and 32-bit RGB as they are; rows may carry padding
// (the row stride). The newest converted picture is handed to the render thread, which uploads it into
// the texture when it asks (renderToTexture).
//
// The device's sound (48 kHz stereo, 16- or 32-bit samples) is converted to 44.1 kHz floats and offered
// through the ZRAudioSignalSource interface; a packet that does not fit the ring is dropped.
//
// Frame hand-over: three buffers, each with its own size: the capture thread converts into its own,
// then swaps it with the ready one under a lock (pointers only); the render thread swaps the ready one
// with the one it uploads from. Nothing is written while it is read, whatever the frame sizes.
//
// Threads: construction and destruction on the render thread (with the video output's sources);
// putVideoFrame and putAudioPacket on one device thread at a time; renderToTexture and getTexture on the
// render thread; GetSamples on the audio thread (a lock-free ring); deviceArrived and deviceRemoved on any
// thread (the device list has its own lock, and the destructor stops the discovery before it empties the
// list).

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "dsp/engine/zr_audio_signal_source.h"

class ZRCaptureDevice;
class ZRSpscByteRing;
class ZRTexture;
class ZRThread;

class ZRLiveVideoCapture : public ZRAudioSignalSource {
 public:
  // Pixel layouts of putVideoFrame (the V4L2 four-character codes).
  static constexpr uint32_t kFormatUYVY = 0x59565955;   // 'UYVY': Cb Y0 Cr Y1
  static constexpr uint32_t kFormatYUYV = 0x56595559;   // 'YUYV': Y0 Cb Y1 Cr
  static constexpr uint32_t kFormatRGB24 = 0x33424752;  // 'RGB3': R G B
  static constexpr uint32_t kFormatBGR24 = 0x33524742;  // 'BGR3': B G R
  static constexpr uint32_t kFormatBGRA = 0x34325241;   // 'AR24': B G R A
  // The largest picture side taken; larger pictures are dropped.
  static constexpr int kMaxSide = 8192;
  static constexpr int kCaptureRate = 48000;

  // Finds devices: the system's capture devices (see zr_v4l2_capture.h); tests give none and add their
  // own with deviceArrived.
  using Discovery = void (*)(ZRLiveVideoCapture* owner);

  ZRLiveVideoCapture(int selfId, bool useOpenGL, int width, int height, double framesPerSecond,
                     bool interlaced, int audioLatency, Discovery discovery);
  ~ZRLiveVideoCapture() override;
  ZRLiveVideoCapture(const ZRLiveVideoCapture&) = delete;
  ZRLiveVideoCapture& operator=(const ZRLiveVideoCapture&) = delete;

  // A device arrived: kept at the end of the list; the only one is started.
  void deviceArrived(std::unique_ptr<ZRCaptureDevice> device);
  // A device went away: stopped when it captures, then dropped.
  void deviceRemoved(ZRCaptureDevice* device);
  int getDeviceCount();

  // ---- the capture thread ----
  // One picture of width x height in format, rows stride bytes apart, bytes long in all. Dropped (with
  // one log line per kind of fault) when the format is unknown, a side is 0 or above kMaxSide, or the
  // data is shorter than the picture.
  void putVideoFrame(const void* data, size_t bytes, int width, int height, int stride, uint32_t format);
  // frames stereo frames at 48 kHz of bitsPerSample (16 or 32) signed samples.
  void putAudioPacket(const void* samples, int frames, int bitsPerSample);

  // ---- the render thread ----
  // Uploads the newest picture when one arrived since the last call.
  void renderToTexture(void* device, void* context);
  // The texture of the last uploaded picture (null before one).
  ZRTexture* getTexture() const { return texture_.get(); }
  // Whether a picture arrived that renderToTexture has not uploaded yet.
  bool hasNewFrame();

  // ---- the sound (audio thread) ----
  // frames x 2 floats from the ring; zeros (the ring untouched) when it holds fewer.
  void GetSamples(float* buffer, int frames) override;
  void GetSamplesShort(short*, int) override {}
  float GetCurrentBPM() override { return -1; }
  int GetCurrentPos() override { return -1; }
  int GetLength() override { return -1; }
  void BeforeGetSamples(int) override {}

  // 44.1 kHz frames a packet of frames at 48 kHz yields.
  static int resampledFrames(int frames);

 private:
  struct Picture {
    std::vector<uint8_t> pixels;
    int width = 0;
    int height = 0;
  };
  bool convert(const uint8_t* data, int width, int height, int stride, uint32_t format, Picture& out);
  void stopDevices();

  int selfId_;
  bool useOpenGL_;
  int width_, height_;
  double framesPerSecond_;
  bool interlaced_;

  std::mutex frameLock_;                // the ready picture and its flag
  std::unique_ptr<Picture> capturing_;  // capture thread
  std::unique_ptr<Picture> ready_;
  bool readyNew_ = false;
  std::unique_ptr<Picture> shown_;  // render thread
  std::unique_ptr<ZRTexture> texture_;

  std::unique_ptr<ZRSpscByteRing> audio_;
  std::vector<float> audioIn_, audioOut_;  // capture thread

  std::mutex deviceLock_;
  std::vector<std::unique_ptr<ZRCaptureDevice>> devices_;
  std::unique_ptr<ZRThread> discovery_;
};
