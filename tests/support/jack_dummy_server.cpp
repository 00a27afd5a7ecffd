#include "support/jack_dummy_server.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace orvel_test {
namespace {

// libjack reports every failed connection attempt on stderr while the server starts.
void quiet(const char*) {}

bool canConnect(const std::string& server) {
  jack_set_error_function(&quiet);
  jack_set_info_function(&quiet);
  jack_status_t status;
  jack_client_t* c =
      jack_client_open("orvel-probe", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                       &status, server.c_str());
  if (c == nullptr) return false;
  jack_client_close(c);
  return true;
}

std::string findJackd() {
  for (const char* dir : {"/usr/bin", "/usr/local/bin", "/usr/sbin"}) {
    const std::string path = std::string(dir) + "/jackd";
    if (access(path.c_str(), X_OK) == 0) return path;
  }
  return {};
}

std::string tail(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  std::string text = s.str();
  return text.size() > 600 ? text.substr(text.size() - 600) : text;
}

}  // namespace

JackDummyServer::JackDummyServer(int rate, int period) {
  name_ =
      "orvel-test-" + std::to_string(getpid()) + "-" + std::to_string(rate) + "-" + std::to_string(period);
  logPath_ = "/tmp/" + name_ + ".log";
  const std::string jackd = findJackd();
  if (jackd.empty()) {
    failure_ = "jackd is not installed (Debian package jackd2)";
    return;
  }
  if (const char* previous = std::getenv("JACK_DEFAULT_SERVER")) {
    previousServer_ = previous;
    hadPreviousServer_ = true;
  }
  setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
  // No other program may be asked to give up a sound card: the dummy driver has none.
  setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);

  const std::string rateArg = std::to_string(rate), periodArg = std::to_string(period);
  const char* argv[] = {jackd.c_str(),   "-n", name_.c_str(),     "-d",   "dummy", "-r",
                        rateArg.c_str(), "-p", periodArg.c_str(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, logPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = -1;
  const int err =
      posix_spawn(&pid, jackd.c_str(), &actions, nullptr, const_cast<char* const*>(argv), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (err != 0) {
    failure_ = std::string("jackd can not be started: ") + std::strerror(err);
    return;
  }
  pid_ = pid;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      failure_ = "jackd exited at start: " + tail(logPath_);
      return;
    }
    if (canConnect(name_)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  failure_ = "jackd did not accept clients within 10 s: " + tail(logPath_);
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

JackDummyServer::~JackDummyServer() {
  stop();
  std::remove(logPath_.c_str());
  if (hadPreviousServer_) {
    setenv("JACK_DEFAULT_SERVER", previousServer_.c_str(), 1);
  } else {
    unsetenv("JACK_DEFAULT_SERVER");
  }
}

void JackDummyServer::stop() {
  if (pid_ > 0) {
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool gone = false;
    while (!gone && std::chrono::steady_clock::now() < deadline) {
      gone = waitpid(pid_, nullptr, WNOHANG) == pid_;
      if (!gone) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (!gone) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
}

JackPlaybackCapture::~JackPlaybackCapture() {
  if (client_ != nullptr) {
    jack_deactivate(client_);
    jack_client_close(client_);
  }
}

bool JackPlaybackCapture::open(const std::string& serverName, long maxFrames) {
  jack_status_t status;
  client_ = jack_client_open("orvel-capture", static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                             &status, serverName.c_str());
  if (client_ == nullptr) return false;
  rate_ = static_cast<int>(jack_get_sample_rate(client_));
  period_ = static_cast<int>(jack_get_buffer_size(client_));
  for (int c = 0; c < 2; ++c) {
    data_[c].assign(static_cast<size_t>(maxFrames), 0.0f);
    ports_[c] =
        jack_port_register(client_, c == 0 ? "in_1" : "in_2", JACK_DEFAULT_AUDIO_TYPE, JackPortIsInput, 0);
    if (ports_[c] == nullptr) return false;
  }
  jack_set_process_callback(client_, &JackPlaybackCapture::process, this);
  jack_set_xrun_callback(client_, &JackPlaybackCapture::xrun, this);
  return jack_activate(client_) == 0;
}

int JackPlaybackCapture::connectPlaybackSources(int boundMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  int connected = 0;
  while (connected == 0 && std::chrono::steady_clock::now() < deadline) {
    for (int c = 0; c < 2; ++c) {
      const std::string playback = c == 0 ? "system:playback_1" : "system:playback_2";
      jack_port_t* port = jack_port_by_name(client_, playback.c_str());
      if (port == nullptr) continue;
      const char** sources = jack_port_get_all_connections(client_, port);
      if (sources == nullptr) continue;
      for (int i = 0; sources[i] != nullptr; ++i) {
        if (jack_connect(client_, sources[i], jack_port_name(ports_[c])) == 0) ++connected;
      }
      jack_free(sources);
    }
    if (connected == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return connected;
}

std::vector<float> JackPlaybackCapture::channel(int c) const {
  const long n = frames();
  return std::vector<float>(data_[c].begin(), data_[c].begin() + n);
}

int JackPlaybackCapture::process(jack_nframes_t frames, void* user) {
  auto* self = static_cast<JackPlaybackCapture*>(user);
  self->cycles_.fetch_add(1, std::memory_order_relaxed);
  const long at = self->frames_.load(std::memory_order_relaxed);
  const long n = std::min<long>(frames, static_cast<long>(self->data_[0].size()) - at);
  if (n <= 0) return 0;
  for (int c = 0; c < 2; ++c) {
    const auto* in = static_cast<const float*>(jack_port_get_buffer(self->ports_[c], frames));
    std::memcpy(self->data_[c].data() + at, in, sizeof(float) * n);
  }
  self->frames_.store(at + n, std::memory_order_release);
  return 0;
}

int JackPlaybackCapture::xrun(void* user) {
  static_cast<JackPlaybackCapture*>(user)->xruns_.fetch_add(1, std::memory_order_relaxed);
  return 0;
}

}  // namespace orvel_test
