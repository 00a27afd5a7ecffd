#pragma once
// Base of every audio effect of a mixer channel (and of the master limiter).
//
// An effect changes a buffer of interleaved stereo float frames in place on the audio thread, at most
// kMaxFrames frames per call (longer buffers are cut into such pieces by the two processing paths). It is
// controlled by integer parameters set by index (0..1000, a fraction in thousandths, unless the effect says
// otherwise; index 0 is the kind, or the on/off amount of the effects without dry/wet mixing) and, where the
// effect allows it, by a linear dry/wet amount: fully wet above 0.975, stopped and cleared at 0.
//
// Threading: setparam and setdrywetmix come from the user-interface side; process, processDryWet and
// processNormal run on the audio thread. start resets the state process works on, so once the audio thread
// processes an effect, start and stop run there too: owners hand them over (ZRMixerChannel::EnableFx,
// ZRAudioMultiOutput::setLimiter) rather than calling them from the user-interface side. setparam only posts
// the value: the effect takes it up on the audio thread at its next buffer (or start), so derived values and
// delay lines are only ever touched by the audio thread. clear belongs to the audio thread, or to any thread
// while no audio thread processes the effect. Nothing here allocates, locks or does I/O after construction.

#include <atomic>
#include <cstdint>
#include <memory>

class ZRAudioSignalSource;
class ZRString;

class CEffect {
 public:
  // Largest number of frames that one process call handles.
  static constexpr int kMaxFrames = 4410;

  CEffect(void* owner, ZRAudioSignalSource* source);
  virtual ~CEffect();
  CEffect(const CEffect&) = delete;
  CEffect& operator=(const CEffect&) = delete;

  virtual void geteffectname(char* out);
  virtual int haseditor();
  virtual int geteditorvisible();
  virtual void geteditorposition(int& x, int& y);
  virtual void seteditorposition(int x, int y);
  virtual void edit();
  virtual void start();
  virtual void stop();
  // Empties delay lines and filter state.
  virtual void clear();
  virtual void setdrywetmix(float value);
  virtual float getdrywetmix();
  virtual int allowdrywetmix();
  // The dry/wet path: stops and clears at an amount of 0 or less (once), starts a stopped effect, runs the
  // effect alone above 0.975 and otherwise mixes out = wet x amount + in x (1 - amount).
  virtual void processDryWet(float buffer[][2], int frames, float bpm);
  // The switched path: runs the effect while getparam(0) is above 0, otherwise stops and clears it once.
  virtual void processNormal(float buffer[][2], int frames, float bpm);
  // The effect itself, in place; bpm is the channel's tempo (0 when its source has none). At most kMaxFrames.
  virtual void process(float buffer[][2], int frames, float bpm) = 0;
  virtual int getparams();
  // Display texts of a parameter (value and unit); false (and nothing written) when the effect has none.
  virtual bool getparamdetails(int index, char* name, char* value, char* unit);
  virtual int getparam(int index);
  virtual void setparam(int index, int value);
  virtual void callEditorRefreshFromIdle();
  virtual void callEditorSendMouse(int x, int y);
  virtual void callEditorRefreshRedrawAll();

  bool isRunning() const { return running.load(std::memory_order_acquire) != 0; }

 protected:
  // The source's tempo for the effects that follow it when a parameter is set: 120 BPM without a source, and
  // never below 60. Audio thread.
  float sourceTempo() const;

  // Hand-over of parameter values from the user-interface side to the audio thread: the latest value per
  // slot and a mask of slots written since the audio thread last took them. Taken slots are applied in
  // ascending order, so a kind (slot 0) is loaded before the parameters that refine it.
  class ParamMailbox {
   public:
    static constexpr int kSlots = 32;
    void post(int slot, int value) {
      values_[slot].store(value, std::memory_order_relaxed);
      dirty_.fetch_or(uint32_t{1} << slot, std::memory_order_release);
    }
    int latest(int slot) const { return values_[slot].load(std::memory_order_relaxed); }
    template <class Apply>
    void take(Apply&& apply) {
      uint32_t mask = dirty_.exchange(0, std::memory_order_acquire);
      while (mask != 0) {
        const int slot = __builtin_ctz(mask);
        mask &= mask - 1;
        apply(slot, values_[slot].load(std::memory_order_relaxed));
      }
    }

   private:
    std::atomic<int> values_[kSlots] = {};
    std::atomic<uint32_t> dirty_{0};
  };

  void* owner;
  std::atomic<int> running{0};
  std::atomic<float> dryWet{1.0f};
  std::unique_ptr<float[][2]> dryBuffer;
  ZRAudioSignalSource* source;

 private:
  void dryWetChunk(float buffer[][2], int frames, float bpm, float amount);
};

// Beat-fraction maps of the tempo-following effects (p = parameter / 1000; comparisons strict).
// 2 when p > 0.666, 1 when p > 0.333, else 0.5.
float mapParamToBeats1_2__2(float p);
// 16, 8, 4, 2 above 0.8, 0.6, 0.4, 0.2; else 1.
float mapParamToBeats1__16(float p);
// 16, 8, 4, 2, 1, 0.5 above 0.857, 0.714, 0.571, 0.428, 0.285, 0.142; else 0.25.
float mapParamToBeats1_4__16(float p);

// One beat in frames at 44100 Hz.
inline double beatFrames(double bpm) {
  return 2646000.0 / bpm;
}

// The system keeps no list of external effects: both do nothing and return true.
bool LoadPluginsList(const ZRString& path);
bool SavePluginsList(const ZRString& path);
