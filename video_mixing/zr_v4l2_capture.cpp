#include "video_mixing/zr_v4l2_capture.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "video_mixing/zr_live_video_capture.h"

namespace {

constexpr int kMaxDevices = 64;
constexpr int kBuffers = 4;
constexpr int kPollMs = 100;

int xioctl(int fd, unsigned long request, void* arg) {
  int r;
  do {
    r = ioctl(fd, request, arg);
  } while (r == -1 && errno == EINTR);
  return r;
}

bool converted(uint32_t format) {
  return format == ZRLiveVideoCapture::kFormatUYVY || format == ZRLiveVideoCapture::kFormatYUYV ||
         format == ZRLiveVideoCapture::kFormatRGB24 || format == ZRLiveVideoCapture::kFormatBGR24 ||
         format == ZRLiveVideoCapture::kFormatBGRA;
}

class V4L2Device : public ZRCaptureDevice {
 public:
  V4L2Device(std::string path, std::string name) : path_(std::move(path)), name_(std::move(name)) {}
  ~V4L2Device() override { stopCapture(); }

  std::string displayName() const override { return name_; }
  bool isCapturing() const override { return capturing_.load(); }

  bool startCapture(ZRLiveVideoCapture* sink, int width, int height, double framesPerSecond) override {
    if (capturing_.load()) return true;
    fd_ = open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return fail("cannot open the device");
    v4l2_format format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<uint32_t>(width);
    format.fmt.pix.height = static_cast<uint32_t>(height);
    format.fmt.pix.pixelformat = V4L2_PIX_FMT_UYVY;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (xioctl(fd_, VIDIOC_S_FMT, &format) < 0) return fail("the device refuses the picture format");
    if (!converted(format.fmt.pix.pixelformat))
      return fail("the device offers no pixel format that is converted");
    width_ = static_cast<int>(format.fmt.pix.width);
    height_ = static_cast<int>(format.fmt.pix.height);
    stride_ = static_cast<int>(format.fmt.pix.bytesperline);
    pixelFormat_ = format.fmt.pix.pixelformat;
    if (framesPerSecond > 0) {
      v4l2_streamparm parm{};
      parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      parm.parm.capture.timeperframe.numerator = 1000;
      parm.parm.capture.timeperframe.denominator = static_cast<uint32_t>(std::lround(framesPerSecond * 1000));
      xioctl(fd_, VIDIOC_S_PARM, &parm);  // a device with a fixed rate keeps its own
    }
    v4l2_requestbuffers request{};
    request.count = kBuffers;
    request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    request.memory = V4L2_MEMORY_MMAP;
    if (xioctl(fd_, VIDIOC_REQBUFS, &request) < 0 || request.count < 1) return fail("no capture buffers");
    for (uint32_t i = 0; i < request.count; ++i) {
      v4l2_buffer buffer{};
      buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      buffer.memory = V4L2_MEMORY_MMAP;
      buffer.index = i;
      if (xioctl(fd_, VIDIOC_QUERYBUF, &buffer) < 0) return fail("cannot query a capture buffer");
      void* start = mmap(nullptr, buffer.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buffer.m.offset);
      if (start == MAP_FAILED) return fail("cannot map a capture buffer");
      maps_.push_back({start, buffer.length});
      if (xioctl(fd_, VIDIOC_QBUF, &buffer) < 0) return fail("cannot queue a capture buffer");
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    if (xioctl(fd_, VIDIOC_STREAMON, &type) < 0)
      return fail("cannot start the stream; is the device in use?");
    sink_ = sink;
    stop_.store(false);
    capturing_.store(true);
    thread_ = std::make_unique<ZRThread>(
        [this](void*) {
          readFrames();
          return false;
        },
        nullptr, 1, -1, "liveVideoV4L2");
    return true;
  }

  void stopCapture() override {
    stop_.store(true);
    thread_.reset();
    if (fd_ >= 0) {
      v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      xioctl(fd_, VIDIOC_STREAMOFF, &type);
    }
    for (const Map& map : maps_) munmap(map.start, map.length);
    maps_.clear();
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    capturing_.store(false);
  }

 private:
  struct Map {
    void* start;
    size_t length;
  };

  bool fail(const char* why) {
    ZRLOG("error starting the video capture on '%s' (%s): %s", name_.c_str(), path_.c_str(), why);
    stopCapture();
    return false;
  }

  void readFrames() {
    while (!stop_.load()) {
      pollfd p{fd_, POLLIN, 0};
      const int ready = poll(&p, 1, kPollMs);
      if (ready <= 0) continue;
      v4l2_buffer buffer{};
      buffer.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
      buffer.memory = V4L2_MEMORY_MMAP;
      if (xioctl(fd_, VIDIOC_DQBUF, &buffer) < 0) {
        if (errno == EAGAIN) continue;
        ZRLOG("live video: the device '%s' stopped delivering (%s)", name_.c_str(), std::strerror(errno));
        return;
      }
      if (buffer.index < maps_.size() && (buffer.flags & V4L2_BUF_FLAG_ERROR) == 0) {
        const size_t bytes = std::min<size_t>(buffer.bytesused, maps_[buffer.index].length);
        sink_->putVideoFrame(maps_[buffer.index].start, bytes, width_, height_, stride_, pixelFormat_);
      }
      xioctl(fd_, VIDIOC_QBUF, &buffer);
    }
  }

  std::string path_;
  std::string name_;
  int fd_ = -1;
  int width_ = 0, height_ = 0, stride_ = 0;
  uint32_t pixelFormat_ = 0;
  std::vector<Map> maps_;
  ZRLiveVideoCapture* sink_ = nullptr;
  std::atomic<bool> stop_{false};
  std::atomic<bool> capturing_{false};
  std::unique_ptr<ZRThread> thread_;
};

}  // namespace

void discoverV4L2CaptureDevices(ZRLiveVideoCapture* owner) {
  for (int i = 0; i < kMaxDevices; ++i) {
    const std::string path = "/dev/video" + std::to_string(i);
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) continue;
    const int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    v4l2_capability caps{};
    const bool ok = xioctl(fd, VIDIOC_QUERYCAP, &caps) == 0;
    close(fd);
    if (!ok) continue;
    const uint32_t c = (caps.capabilities & V4L2_CAP_DEVICE_CAPS) ? caps.device_caps : caps.capabilities;
    if ((c & V4L2_CAP_VIDEO_CAPTURE) == 0 || (c & V4L2_CAP_STREAMING) == 0) continue;
    std::string name(reinterpret_cast<const char*>(caps.card),
                     strnlen(reinterpret_cast<const char*>(caps.card), sizeof(caps.card)));
    if (name.empty()) name = path;
    owner->deviceArrived(std::make_unique<V4L2Device>(path, name));
  }
}
