#pragma once
// A private JACK server running its dummy driver: a sound device paced in real time on a machine without a
// sound card, reached by the engine through PortAudio's JACK host API (and ALSA's "jack" device), and a
// small JACK client that records what the server's playback ports receive.

#include <jack/jack.h>
#include <sys/types.h>

#include <atomic>
#include <string>
#include <vector>

namespace orvel_test {

class JackDummyServer {
 public:
  // Starts `jackd` under a name of its own (nothing else on the machine reaches it) at rate with period
  // frames per cycle, and waits (bounded) until a client can connect. Sets JACK_DEFAULT_SERVER in this
  // process so that PortAudio, initialised afterwards, finds this server.
  JackDummyServer(int rate, int period);
  // Stops the server (bounded) and restores JACK_DEFAULT_SERVER.
  ~JackDummyServer();
  // Stops the server now (bounded), as when it goes away under its clients.
  void stop();
  JackDummyServer(const JackDummyServer&) = delete;
  JackDummyServer& operator=(const JackDummyServer&) = delete;

  bool running() const { return pid_ > 0; }
  // Why the server is not running (for the skip message).
  const std::string& failure() const { return failure_; }
  const std::string& name() const { return name_; }

 private:
  std::string name_;
  std::string failure_;
  std::string logPath_;
  pid_t pid_ = -1;
  std::string previousServer_;
  bool hadPreviousServer_ = false;
};

// Records the two channels that reach the server's playback ports "system:playback_1" and "_2": whatever
// feeds them is connected to this client's inputs as well. Recording runs on JACK's thread into buffers
// made up front; the other members are for the test's thread.
class JackPlaybackCapture {
 public:
  JackPlaybackCapture() = default;
  ~JackPlaybackCapture();
  JackPlaybackCapture(const JackPlaybackCapture&) = delete;
  JackPlaybackCapture& operator=(const JackPlaybackCapture&) = delete;

  // Connects to the server and makes room for maxFrames frames. False when the server cannot be reached.
  bool open(const std::string& serverName, long maxFrames);
  // Connects every port that feeds the playback ports to this client; retries until some source is found
  // or the bound passes. Returns how many sources were connected. Recording runs from open() on.
  int connectPlaybackSources(int boundMs);
  long frames() const { return frames_.load(std::memory_order_acquire); }
  // Copies of what was recorded so far.
  std::vector<float> channel(int c) const;
  int rate() const { return rate_; }
  int period() const { return period_; }
  // Server cycles that ended late (xruns) since open.
  unsigned xruns() const { return xruns_.load(std::memory_order_relaxed); }
  // Cycles seen since open.
  unsigned long cycles() const { return cycles_.load(std::memory_order_relaxed); }

 private:
  static int process(jack_nframes_t frames, void* self);
  static int xrun(void* self);

  jack_client_t* client_ = nullptr;
  jack_port_t* ports_[2] = {};
  std::vector<float> data_[2];
  std::atomic<long> frames_{0};
  std::atomic<unsigned> xruns_{0};
  std::atomic<unsigned long> cycles_{0};
  int rate_ = 0;
  int period_ = 0;
};

}  // namespace orvel_test
