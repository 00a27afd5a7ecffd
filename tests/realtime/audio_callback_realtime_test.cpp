// The whole device callback on its own thread: two decks playing with key lock, every effect of both
// mixer channels switched on, the master-effects channel, the limiter, a recording through the
// recorder's hand-off and a recording callback. On that thread not one call may allocate or free memory
// (through any route: operator new, malloc and its relatives from any library) or wait on a lock.
//
// This program replaces the C allocation functions and the blocking lock calls with counting
// forwarders; they count only on a thread that asks for it, and only while it asks. Sanitizer builds
// bring their own allocator, so there the test is skipped.

#include <dlfcn.h>
#include <execinfo.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <pthread.h>
#include <semaphore.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "soundio/engine_test_rig.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/test_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define ORVEL_REALTIME_PROBE 0
#else
#define ORVEL_REALTIME_PROBE 1
#endif

namespace {

enum Kind { kAllocation, kFree, kLock, kKinds };
const char* const kKindNames[kKinds] = {"allocation", "free", "blocking lock"};

thread_local bool watching = false;
std::atomic<long> counts[kKinds];
// The first offending call's stack, for the failure message.
std::atomic<bool> haveStack{false};
void* stack[32];
int stackDepth = 0;

// Called by every forwarder; counts only on a watched thread.
[[maybe_unused]] void note(Kind kind) {
  if (!watching) return;
  watching = false;  // what follows may call the forwarders itself
  counts[kind].fetch_add(1, std::memory_order_relaxed);
  bool expected = false;
  if (haveStack.compare_exchange_strong(expected, true)) stackDepth = backtrace(stack, 32);
  watching = true;
}

template <typename F>
[[maybe_unused]] F realFunction(F& cache, const char* name) {
  if (cache == nullptr) cache = reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
  return cache;
}

}  // namespace

#if ORVEL_REALTIME_PROBE
extern "C" {
void* __libc_malloc(size_t);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void __libc_free(void*);
void* __libc_memalign(size_t, size_t);

void* malloc(size_t n) {
  note(kAllocation);
  return __libc_malloc(n);
}
void* calloc(size_t count, size_t n) {
  note(kAllocation);
  return __libc_calloc(count, n);
}
void* realloc(void* p, size_t n) {
  note(kAllocation);
  return __libc_realloc(p, n);
}
void free(void* p) {
  if (p != nullptr) note(kFree);
  __libc_free(p);
}
void* memalign(size_t alignment, size_t n) {
  note(kAllocation);
  return __libc_memalign(alignment, n);
}
void* aligned_alloc(size_t alignment, size_t n) {
  note(kAllocation);
  return __libc_memalign(alignment, n);
}
int posix_memalign(void** out, size_t alignment, size_t n) {
  note(kAllocation);
  if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0) return EINVAL;
  void* p = __libc_memalign(alignment, n);
  if (p == nullptr) return ENOMEM;
  *out = p;
  return 0;
}
void* valloc(size_t n) {
  note(kAllocation);
  return __libc_memalign(static_cast<size_t>(sysconf(_SC_PAGESIZE)), n);
}

int pthread_mutex_lock(pthread_mutex_t* m) {
  static int (*real)(pthread_mutex_t*) = nullptr;
  note(kLock);
  return realFunction(real, "pthread_mutex_lock")(m);
}
int pthread_mutex_timedlock(pthread_mutex_t* m, const struct timespec* t) {
  static int (*real)(pthread_mutex_t*, const struct timespec*) = nullptr;
  note(kLock);
  return realFunction(real, "pthread_mutex_timedlock")(m, t);
}
int pthread_rwlock_rdlock(pthread_rwlock_t* l) {
  static int (*real)(pthread_rwlock_t*) = nullptr;
  note(kLock);
  return realFunction(real, "pthread_rwlock_rdlock")(l);
}
int pthread_rwlock_wrlock(pthread_rwlock_t* l) {
  static int (*real)(pthread_rwlock_t*) = nullptr;
  note(kLock);
  return realFunction(real, "pthread_rwlock_wrlock")(l);
}
int pthread_cond_wait(pthread_cond_t* c, pthread_mutex_t* m) {
  static int (*real)(pthread_cond_t*, pthread_mutex_t*) = nullptr;
  note(kLock);
  return realFunction(real, "pthread_cond_wait")(c, m);
}
int pthread_cond_timedwait(pthread_cond_t* c, pthread_mutex_t* m, const struct timespec* t) {
  static int (*real)(pthread_cond_t*, pthread_mutex_t*, const struct timespec*) = nullptr;
  note(kLock);
  return realFunction(real, "pthread_cond_timedwait")(c, m, t);
}
int sem_wait(sem_t* s) {
  static int (*real)(sem_t*) = nullptr;
  note(kLock);
  return realFunction(real, "sem_wait")(s);
}
// A spin lock that gives up the processor, and sleeping, wait for another thread just the same.
int sched_yield() {
  static int (*real)() = nullptr;
  note(kLock);
  return realFunction(real, "sched_yield")();
}
int nanosleep(const struct timespec* t, struct timespec* rest) {
  static int (*real)(const struct timespec*, struct timespec*) = nullptr;
  note(kLock);
  return realFunction(real, "nanosleep")(t, rest);
}
int clock_nanosleep(clockid_t clock, int flags, const struct timespec* t, struct timespec* rest) {
  static int (*real)(clockid_t, int, const struct timespec*, struct timespec*) = nullptr;
  note(kLock);
  return realFunction(real, "clock_nanosleep")(clock, flags, t, rest);
}
}  // extern "C"
#endif

namespace {

int recordingCallback(float* master, int frames, int channels, void* data) {
  auto* sum = static_cast<double*>(data);
  for (int i = 0; i < frames * channels; ++i) *sum += master[i];
  return frames;
}

class Watch {
 public:
  Watch() { watching = true; }
  ~Watch() { watching = false; }
};

std::string report() {
  std::string text;
  for (int k = 0; k < kKinds; ++k) {
    text += std::string(kKindNames[k]) + ": " + std::to_string(counts[k].load()) + "\n";
  }
  if (haveStack.load()) {
    char** names = backtrace_symbols(stack, stackDepth);
    text += "first offending call:\n";
    for (int i = 0; names != nullptr && i < stackDepth; ++i) text += std::string("  ") + names[i] + "\n";
    std::free(names);
  }
  return text;
}

TEST(AudioThread, WholeCallbackAllocatesNothingAndTakesNoLock) {
  if (!ORVEL_REALTIME_PROBE) GTEST_SKIP() << "a sanitizer replaces the allocator in this build";
  orvel_test::TempDir dir;
  ASSERT_TRUE(
      orvel_test::writeWav16(dir.file("a.wav"), orvel_test::stereoToneTrack(440.0, 6.0, 16000), 2, 44100));
  ASSERT_TRUE(
      orvel_test::writeWav16(dir.file("b.wav"), orvel_test::stereoToneTrack(660.0, 6.0, 16000), 2, 44100));
  InitializeMixerChannels();
  {
    CSoundSource deckA(0, ZRString(dir.file("Stripes").c_str()));
    CSoundSource deckB(1, ZRString(dir.file("Stripes").c_str()));
    ASSERT_TRUE(orvel_test::loadDecoded({{&deckA, dir.file("a.wav")}, {&deckB, dir.file("b.wav")}},
                                        std::chrono::seconds(20)));
    for (CSoundSource* deck : {&deckA, &deckB}) {
      deck->SetMasterTempo(1);
      deck->SetPitch(deck == &deckA ? 600 : -450);
      deck->PlayPause(1);
    }

    ZRMixerChannel channelA(&deckA, nullptr, 0), channelB(&deckB, nullptr, 0), master(nullptr, nullptr, 1);
    for (ZRMixerChannel* channel : {&channelA, &channelB}) {
      for (int slot = 0; slot < ZRMixerChannel::kSlots; ++slot) {
        if (channel->getEffect(slot) == nullptr) continue;
        channel->EnableFx(slot, 1, 0);
        channel->SetFxDryWet(slot, 0.6f);
        channel->SetFxParam1(slot, 0.4f);
        channel->SetFxParam2(slot, 0.7f);
      }
      channel->SetEq(1, 3.0f);
      channel->SetEqKill(3, 1);
    }
    ZRMixer mixer(22050);
    ASSERT_TRUE(orvel_test::mixTwoChannels(mixer, channelA, channelB, 64));
    mixer.SetMasterFXChannel(&master);

    ZRAudioMultiOutput output(&mixer, nullptr, nullptr, nullptr);
    output.setLimiter(true);
    double callbackSum = 0.0;
    output.setAudioRecordingCallback(&recordingCallback, &callbackSum);
    ASSERT_TRUE(output.startRecording(dir.file("mix.wav").c_str()));

    // Preloads what the failure report needs, so that it is not the first use on the audio thread.
    void* warm[1];
    backtrace(warm, 1);
    for (auto& c : counts) c.store(0);
    haveStack.store(false);

    constexpr int kFrames = 512;
    constexpr int kBuffers = 300;
    std::atomic<int> done{0};
    std::thread audio([&] {
      std::vector<float> input(2 * kFrames, 0.0f), device(2 * kFrames);
      for (int b = 0; b < kBuffers; ++b) {
        {
          Watch watch;
          ZRAudioMultiOutput::callbackSamplesRecorded(input.data(), kFrames, 2, &output);
          ZRAudioMultiOutput::callbackSamplesToBePlayed(device.data(), kFrames, 2, &output);
        }
        done.store(b + 1, std::memory_order_release);
        // Faster than real time, but slow enough for the recorder's writer to keep up.
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
    // The user side moves controls meanwhile: requests the audio thread takes up at its next buffer.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    for (int step = 0;
         done.load(std::memory_order_acquire) < kBuffers && std::chrono::steady_clock::now() < deadline;
         ++step) {
      mixer.SetCrossfaderPosition(step % 128);
      channelA.EnableFx(9, step % 2, 0);
      deckB.SetPitch(-450 + step % 50);
      if (step == 40) deckA.SetPositionAsync(3 * 44100.0);
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    audio.join();
    output.stopRecording();
    ASSERT_EQ(done.load(), kBuffers);
    for (int k = 0; k < kKinds; ++k) EXPECT_EQ(counts[k].load(), 0) << report();
    EXPECT_NE(callbackSum, 0.0) << "the recording callback saw the master";
    EXPECT_GT(orvel_test::readFile(dir.file("mix.wav")).size(), 44u + 4u * kFrames);
    deckA.PlayPause(0);
    deckB.PlayPause(0);
  }
  DeinitializeMixerChannels();
}

// The probe itself sees what it is meant to see: an allocation, a free and a lock of the watched thread,
// and nothing of another thread.
TEST(AudioThread, ProbeCountsOnlyTheWatchedThread) {
  if (!ORVEL_REALTIME_PROBE) GTEST_SKIP() << "a sanitizer replaces the allocator in this build";
  for (auto& c : counts) c.store(0);
  std::mutex m;
  std::thread other([&] {
    std::vector<int> v(100);
    std::lock_guard<std::mutex> g(m);
  });
  other.join();
  EXPECT_EQ(counts[kAllocation].load() + counts[kFree].load() + counts[kLock].load(), 0);
  {
    Watch watch;
    auto* volatile v = new std::vector<int>(100);
    delete v;
    void* volatile p = std::malloc(64);
    std::free(p);
    std::lock_guard<std::mutex> g(m);
  }
  EXPECT_GE(counts[kAllocation].load(), 2);
  EXPECT_GE(counts[kFree].load(), 2);
  EXPECT_GE(counts[kLock].load(), 1);
}

}  // namespace
