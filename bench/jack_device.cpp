// The engine on a real, paced sound device: a private JACK server with its dummy driver at 64, 128 and 256
// frames per period, reached through PortAudio's JACK host API (or, with --device jack, ALSA's JACK
// plug-in), idle and with three busy processes sharing the same cores. For each run it prints the xruns
// the server counted, those the device reported, and the callback's duration at the 99.9th percentile and
// at its maximum as a share of the period (the time one buffer lasts). Each engine run is preceded by a
// reference run of the same device with no engine behind it (the output only writes silence): the xruns the
// machine and the server cause by themselves.
//
// Run by hand (about thirteen minutes with the defaults):
//   build/bench/bench_jack_device [--seconds 60] [--periods 64,128,256] [--device system] [--cores 2]
// Target: no xrun at 128 frames under load, p99.9 at most 25% of the period.

#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/engine_rig.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "support/jack_dummy_server.h"

namespace {

struct Options {
  int seconds = 60;
  std::vector<int> periods = {64, 128, 256};
  std::string device = "system";
  int cores = 2;
};

Options parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string key = argv[i], value = argv[i + 1];
    if (key == "--seconds") {
      o.seconds = std::max(1, std::atoi(value.c_str()));
    } else if (key == "--device") {
      o.device = value;
    } else if (key == "--cores") {
      o.cores = std::max(0, std::atoi(value.c_str()));
    } else if (key == "--periods") {
      o.periods.clear();
      std::stringstream s(value);
      std::string item;
      while (std::getline(s, item, ',')) o.periods.push_back(std::atoi(item.c_str()));
    }
  }
  return o;
}

// Every thread of this process, the JACK server it starts and the busy processes run on the first `cores`
// processors, as on a small machine.
void pinToFirstCores(int cores) {
  if (cores <= 0) return;
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int c = 0; c < cores; ++c) CPU_SET(c, &set);
  sched_setaffinity(0, sizeof set, &set);
}

std::vector<pid_t> startBusyProcesses(int count) {
  std::vector<pid_t> pids;
  for (int i = 0; i < count; ++i) {
    const pid_t pid = fork();
    if (pid == 0) {
      volatile unsigned long spin = 0;
      for (;;) spin = spin + 1;
    }
    if (pid > 0) pids.push_back(pid);
  }
  return pids;
}

void stopProcesses(const std::vector<pid_t>& pids) {
  for (pid_t pid : pids) kill(pid, SIGKILL);
  for (pid_t pid : pids) waitpid(pid, nullptr, 0);
}

const char* realtimeText(CCAoutput::Realtime r) {
  switch (r) {
    case CCAoutput::Realtime::kAlready:
      return "server's";
    case CCAoutput::Realtime::kGranted:
      return "granted";
    case CCAoutput::Realtime::kRefused:
      return "refused";
    case CCAoutput::Realtime::kNotWanted:
      return "none";
    default:
      return "unknown";
  }
}

bool runOnce(const Options& o, int period, int busy, bool engine) {
  orvel_test::JackDummyServer server(44100, period);
  if (!server.running()) {
    std::printf("no JACK server can run here: %s\n", server.failure().c_str());
    return false;
  }
  orvel_test::JackPlaybackCapture monitor;
  if (!monitor.open(server.name(), 1)) {
    std::printf("the JACK server does not take a monitoring client\n");
    return false;
  }
  ZRBuiltInAudioDevices devices;
  devices.systemDevices = true;
  setBuiltInAudioDevices(devices);
  scanAudioDevices();
  bool ok = false;
  const int row = getAudioDeviceIndexFromName(o.device.c_str());
  if (row < 0) {
    std::printf("%-8s %6d: no device of that name at this period\n", o.device.c_str(), period);
  } else {
    InitializeMixerChannels();
    {
      orvel_bench::EngineRig rig;
      ZRAudioMultiOutput silent(nullptr, nullptr, nullptr, nullptr);
      ZRAudioMultiOutput& output = engine ? rig.output : silent;
      if (engine) {
        rig.open(row, period);
      } else {
        silent.updateAudioDevices(row, -1, period, nullptr, 0);
      }
      const ZRAudioIO* io = output.getDevice();
      if (io == nullptr || !io->isRunning() || io->getDeviceIndex() != row) {
        std::printf("device '%s' does not run\n", o.device.c_str());
      } else {
        CCAoutput* out = const_cast<CCAoutput*>(io->output());
        const std::vector<pid_t> load = startBusyProcesses(busy);
        std::this_thread::sleep_for(std::chrono::seconds(1));
        out->callbackStats().reset();
        const unsigned serverXrunsBefore = monitor.xruns(), deviceXrunsBefore = out->xruns();
        std::this_thread::sleep_for(std::chrono::seconds(o.seconds));
        const unsigned serverXruns = monitor.xruns() - serverXrunsBefore;
        const unsigned deviceXruns = out->xruns() - deviceXrunsBefore;
        const ZRAudioCallbackStats& stats = out->callbackStats();
        const double periodNanos = 1e9 * monitor.period() / monitor.rate();
        stopProcesses(load);
        std::printf("%-8s %-9s %6d %5d %9llu %7u %7u %10.1f%% %9.1f%%  %s\n", o.device.c_str(),
                    engine ? "engine" : "reference", monitor.period(), busy,
                    static_cast<unsigned long long>(stats.count()), serverXruns, deviceXruns,
                    100.0 * stats.percentileNanos(0.999) / periodNanos,
                    100.0 * stats.maxNanos() / periodNanos, realtimeText(out->realtime()));
        std::fflush(stdout);
        ok = true;
      }
    }
    DeinitializeMixerChannels();
  }
  freeScanAudioDevices();
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parse(argc, argv);
  pinToFirstCores(o.cores);
  std::printf("%d s per run on %d cores; shares are of the period's duration (p99.9 = 99.9th percentile)\n",
              o.seconds, o.cores);
  std::printf("%-8s %-9s %6s %5s %9s %7s %7s %11s %10s  %s\n", "device", "run", "period", "busy", "callbacks",
              "xruns", "dev.xr", "p99.9", "max", "real-time");
  bool all = true;
  for (int period : o.periods) {
    for (int busy : {0, 3}) {
      for (bool engine : {false, true}) all = runOnce(o, period, busy, engine) && all;
    }
  }
  return all ? 0 : 1;
}
