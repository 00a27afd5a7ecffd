#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/zr_audio_broadcast.h"
#include "codecs/zr_video_recorder.h"
#include "log_capture.h"

namespace {

using orvel_test::LogCapture;

TEST(RecorderFronts, NewBroadcasterIsClosedWithItsDefaults) {
  ZRAudioBroadcast broadcast;
  EXPECT_FALSE(broadcast.isOpened());
  EXPECT_EQ(broadcast.getSeconds(), 0.0f);
  const float samples[2 * 64] = {};
  EXPECT_EQ(broadcast.putSamples(samples, 64), 0);
  unsigned char bytes[4] = {1, 2, 3, 4};
  broadcast.write(bytes, bytes, 4, 4);  // closed: nothing is sent
  EXPECT_EQ(broadcast.getHeaderErrorCount(), 0);
  EXPECT_EQ(broadcast.format, 1);
  EXPECT_EQ(broadcast.protocol, 0);
  EXPECT_EQ(broadcast.bitrate, 128000);
  EXPECT_EQ(broadcast.channels, 2);
  EXPECT_EQ(broadcast.sampleRate, 44100);
  EXPECT_EQ(broadcast.host, ZRString("127.0.0.1"));
  EXPECT_EQ(broadcast.port, ZRString("8000"));
  EXPECT_EQ(broadcast.user, ZRString("source"));
  EXPECT_EQ(broadcast.password, ZRString("plumbo"));
  EXPECT_EQ(broadcast.mount, ZRString("/stream1"));
  EXPECT_EQ(broadcast.name, ZRString("stream1"));
  EXPECT_EQ(broadcast.description, ZRString("Live music"));
  EXPECT_EQ(broadcast.genre, ZRString("Live"));
  EXPECT_EQ(broadcast.artist, ZRString("Artist"));
  EXPECT_EQ(broadcast.title, ZRString("Title"));
  EXPECT_EQ(broadcast.album, ZRString("Album"));
  EXPECT_TRUE(broadcast.isPublic);
}

// A connection that records what it is given and fails on request.
class FakeConnection : public ZRBroadcastConnection {
 public:
  bool isConnected() override { return connected; }
  bool send(const unsigned char* bytes, int length) override {
    sent.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(length));
    return !failing;
  }
  const char* lastError() override { return "Socket error"; }
  int queueLength() override { return queued; }
  bool connected = true;
  bool failing = false;
  int queued = 0;
  std::string sent;
};

// The send path, driven as a connected broadcaster would drive it.
class OpenBroadcast : public ZRAudioBroadcast {
 public:
  explicit OpenBroadcast(ZRBroadcastConnection* c) {
    connection_ = c;
    opened_ = true;
  }
  ~OpenBroadcast() override { opened_ = false; }
};

TEST(RecorderFronts, SendPathLogsAndCountsHeaderErrors) {
  FakeConnection connection;
  OpenBroadcast broadcast(&connection);
  EXPECT_TRUE(broadcast.isOpened());
  connection.connected = false;
  EXPECT_FALSE(broadcast.isOpened());
  unsigned char header[3] = {'H', 'D', 'R'};
  unsigned char data[4] = {'D', 'A', 'T', 'A'};
  broadcast.write(header, data, 3, 4);
  broadcast.write(nullptr, data, 0, 4);
  EXPECT_EQ(connection.sent, "HDRDATADATA");
  LogCapture log;
  connection.failing = true;
  connection.queued = 12;
  for (int i = 0; i < 6; ++i) broadcast.write(header, data, 3, 4);
  EXPECT_EQ(broadcast.getHeaderErrorCount(), ZRAudioBroadcast::kMaxHeaderErrors);
  EXPECT_EQ(log.count("DEBUG: Send error: Socket error"), 12);
  EXPECT_EQ(log.count("DEBUG: queue length: 12"), 6);
  const float samples[2 * 16] = {};
  EXPECT_EQ(broadcast.putSamples(samples, 16), 1);
}

TEST(RecorderFronts, IdleVideoRecorderFreesWhatItIsGiven) {
  ZRVideoRecorder recorder;
  EXPECT_STREQ(recorder.getCodecName(), "ffmpeg-video");
  EXPECT_EQ(recorder.getSeconds(), 0.0f);
  EXPECT_FALSE(recorder.isRecording());
  // Under a leak checker a buffer kept here would show; the call must take it over and free it.
  recorder.putVideoFrame(new unsigned char[960 * 540 * 4], 960, 540, true);
  recorder.putVideoFrame(nullptr, 960, 540, true);
  const float samples[2 * 16] = {};
  recorder.putAudioSamples(samples, 16);
  recorder.close();
}

// A recording video recorder, as a started one would be.
class RecordingVideo : public ZRVideoRecorder {
 public:
  RecordingVideo() { recording_ = true; }
  std::vector<ZRVideoFrameRecord> takeAll() {
    std::vector<ZRVideoFrameRecord> out;
    ZRVideoFrameRecord* r = nullptr;
    while (frameQueue_.try_dequeue(r)) {
      out.push_back(*r);
      delete[] r->pixels;
      delete r;
    }
    return out;
  }
};

TEST(RecorderFronts, RecordingVideoQueuesStampedFrames) {
  RecordingVideo recorder;
  recorder.putVideoFrame(new unsigned char[960 * 540 * 4], -1, -1, true);
  recorder.putVideoFrame(new unsigned char[99 * 200 * 4], 99, 200, false);  // too small: freed
  recorder.putVideoFrame(new unsigned char[200 * 100 * 4], 200, 100, false);
  const std::vector<ZRVideoFrameRecord> frames = recorder.takeAll();
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0].width, 960);
  EXPECT_EQ(frames[0].height, 540);
  EXPECT_TRUE(frames[0].fromOpenGL);
  EXPECT_EQ(frames[0].time, 0.0);
  EXPECT_EQ(frames[1].width, 200);
  EXPECT_GE(frames[1].time, 0.0);
  // close frees what is still queued.
  recorder.putVideoFrame(new unsigned char[960 * 540 * 4], 960, 540, true);
  recorder.close();
  EXPECT_FALSE(recorder.isRecording());
  EXPECT_TRUE(recorder.takeAll().empty());
}

}  // namespace
