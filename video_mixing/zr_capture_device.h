#pragma once
// ZRCaptureDevice: one source of live pictures (a capture card or a camera) as the live-capture object
// sees it. A device delivers, on its own thread, each captured picture with ZRLiveVideoCapture::
// putVideoFrame and each audio packet (48 kHz stereo) with putAudioPacket. The V4L2 devices are in
// zr_v4l2_capture.h; tests give their own.
//
// Threads: startCapture and stopCapture are called by the live-capture object (under its device lock);
// frames come from the device's thread until stopCapture returns.

#include <string>

class ZRLiveVideoCapture;

class ZRCaptureDevice {
 public:
  virtual ~ZRCaptureDevice() = default;

  virtual std::string displayName() const = 0;
  // Starts delivering to sink, asking for width x height at framesPerSecond (the device may deliver
  // another size or format; each frame says what it is). False, with a log line, when the device refuses.
  virtual bool startCapture(ZRLiveVideoCapture* sink, int width, int height, double framesPerSecond) = 0;
  // Stops delivering: no call into the sink happens after it returns.
  virtual void stopCapture() = 0;
  virtual bool isCapturing() const = 0;
};
