#pragma once
// ZRAudioBroadcast: the place where a live stream of the mix to a streaming server plugs in. It holds
// the source connection's settings with their defaults, takes the master output's samples while it is
// opened and sends encoded data through its connection. Nothing in the system connects or opens it, so
// it stays closed: putSamples returns 0 at once and the time reads 0.
//
// Threads: constructor, destructor, isOpened and getSeconds on the owner's side; putSamples on the
// audio thread and write on an encoder's thread.

#include <atomic>
#include <memory>

#include "codecs/zr_encoder_delegate.h"
#include "common/zr_string.h"

class ZRRingBuffer;
class ZRThread;

// The server connection a broadcaster sends through (a streaming-server client library stands behind
// it when the system connects).
class ZRBroadcastConnection {
 public:
  virtual ~ZRBroadcastConnection() = default;
  virtual bool isConnected() = 0;
  // Sends length bytes; false on failure (lastError then says why).
  virtual bool send(const unsigned char* bytes, int length) = 0;
  virtual const char* lastError() = 0;
  // Bytes waiting to be sent.
  virtual int queueLength() = 0;
};

class ZRAudioBroadcast : public ZREncoderDelegate {
 public:
  // Header send errors counted at most.
  static constexpr int kMaxHeaderErrors = 4;

  ZRAudioBroadcast();
  ~ZRAudioBroadcast() override;
  ZRAudioBroadcast(const ZRAudioBroadcast&) = delete;
  ZRAudioBroadcast& operator=(const ZRAudioBroadcast&) = delete;

  // Opened and, when there is a connection, connected.
  bool isOpened();
  // While opened, queues frames frames of interleaved floats (all or nothing) and returns 1; else 0.
  int putSamples(const float* samples, int frames);
  // The time broadcast while opened, else 0.
  float getSeconds();
  // Sends an encoded header (when headerLength > 0) and data; errors are logged and counted, never
  // returned. Nothing when not opened.
  void write(unsigned char* header, unsigned char* data, int headerLength, int dataLength) override;

  int getHeaderErrorCount() const { return errorCount_; }

  // Settings of the source connection.
  int format = 1;        // stream format in the server library's codes: 1 MP3
  int protocol = 0;      // connection protocol in the server library's codes: 0 HTTP
  int bitrate = 128000;  // bits per second
  int channels = 2;
  int sampleRate = 44100;
  ZRString host = "127.0.0.1";
  ZRString port = "8000";
  ZRString user = "source";
  ZRString password = "plumbo";
  ZRString mount = "/stream1";
  ZRString name = "stream1";
  ZRString description = "Live music";
  ZRString url;  // the station's web address; none by default
  ZRString genre = "Live";
  ZRString artist = "Artist";
  ZRString title = "Title";
  ZRString album = "Album";
  bool isPublic = true;

 protected:
  std::atomic<bool> opened_{false};
  std::unique_ptr<ZRRingBuffer> sampleQueue_;
  std::unique_ptr<ZRThread> thread_;
  std::unique_ptr<unsigned char[]> workBuffer1_;
  std::unique_ptr<unsigned char[]> workBuffer2_;
  int queuedChannels_ = 2;
  double seconds_ = 0.0;
  ZRBroadcastConnection* connection_ = nullptr;  // not owned
  int errorCount_ = 0;
  std::atomic<bool> stopRequested_{false};
};
