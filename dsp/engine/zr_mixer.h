#pragma once
// ZRMixer: combines up to 16 sources into the buses that leave the system - one per deck, the sampler and
// microphone bus, the headphone (cue) bus and the master - with the gain structure of a DJ mixer: per channel
// a gain, a fader, a cue send and a crossfader side; a crossfader with an adjustable curve; master, monitor
// and microphone volume and gain; talk-over; microphone on air; balance and channel mode; a headphone mix
// between cue and program; RMS meters; and a master-effects channel run in place on the master.
//
// Channel indices the main mix depends on: 0 deck A, 1 deck B, 2 the headphone preview (headphones only),
// 3 and up the filler zone and the samplers. Channel gains reach the audio through 100-frame exponential
// ramps (in amplitude + 1), so fader, gain and crossfader moves never click.
//
// Threading: registration happens before audio starts. The two mixes run on the audio thread; every setter
// runs on the user-interface side and writes single words that the audio thread reads at its next buffer
// (a ramp target and its factor per channel); meter reads reset sums that the audio thread accumulates.
// Nothing here locks or allocates while mixing; powers and logarithms run only in setters.
//
// The automatic-mix engine (zr_mixer_automix.cpp) watches the source on the audible side of the crossfader
// and, when its remaining time has dropped to the mix time, sweeps a crossfader value from one side to the
// other, reporting the sweep through a callback that applies it. It moves no fader itself and runs wholly on
// the user-interface side, from one thread at a time (its owner serialises the calls); it reads the
// sources' positions and lengths, which any thread may read.

#include <atomic>
#include <functional>

class ZRAudioSignalSource;
class ZRMixerChannel;

enum ChannelMode {
  ChannelModeStereo = 0,
  ChannelModeSwap = 1,   // left and right swapped
  ChannelModeMono = 2,   // both (left + right) / 2
  ChannelModeLeft = 3,   // right = left
  ChannelModeRight = 4,  // left = right
};

// Where a sweep goes: 0 automatic (to the other side of the crossfader's current half), 1 towards 0,
// 2 towards the last position. Callbacks report a running sweep as 2 when increasing, else 1.
enum AutomixDirection {
  AutomixDirectionAutomatic = 0,
  AutomixDirectionDown = 1,
  AutomixDirectionUp = 2,
};

enum AutomixEvent {
  AutomixEventProgress = 0,
  AutomixEventPreNotice = 1,  // a mix will start soon
  AutomixEventStarted = 2,
  AutomixEventFinished = 3,
};

using ZRAutomixCallback = std::function<void(int position, AutomixDirection direction, AutomixEvent event,
                                             bool beatmatch, void* userData)>;
using ZRAutomixSyncCallback =
    std::function<void(int positionFlag, int increasing, bool beatmatch, void* userData)>;

class ZRMixer {
 public:
  // The shortest sweep: a mix time of 0 (a broken setting) would otherwise sweep at infinite speed.
  static constexpr float kMinMixSeconds = 0.1f;
  // A manual mix request starts the sweep this long after the pre-notice.
  static constexpr float kRequestDelaySeconds = 0.35f;

  static constexpr int kMaxChannels = 16;
  static constexpr int kRampFrames = 100;
  // -12 dB: the programme under talk-over.
  static constexpr float kTalkOverAmp = 0.25118864f;

  // maximumFrames: the largest buffer one mix call may ask for (at least 32).
  explicit ZRMixer(int maximumFrames);
  ~ZRMixer();
  ZRMixer(const ZRMixer&) = delete;
  ZRMixer& operator=(const ZRMixer&) = delete;

  // Registration (before audio starts). -1 when 16 channels are registered already.
  int AddMixerChannel(ZRAudioSignalSource* source);
  int AddMixerMicrophoneChannel(ZRAudioSignalSource* source);
  void SetMasterFXChannel(ZRMixerChannel* channel);
  int GetChannelCount() const { return channelCount.load(std::memory_order_acquire); }

  void SetFadersTotalPositions(int n);
  void SetCrossfaderTotalPositions(int n);

  // Per channel (indices outside the registered channels are ignored; getters answer -320).
  void SetFaderPosition(int channel, int position);
  void SetCuePFLFaderPosition(int channel, int position);
  void SetChannelGain(int channel, float dB);
  float GetChannelGain(int channel);
  float GetChannelFader(int channel);
  // side -1 none, 0 A, 1 B (anything else is none).
  void SetCrossfaderChannel(int side, int channel);
  int GetCrossfaderChannel(int channel);
  // Non-zero: the channel's cue send ignores the cue level of the headphone mix.
  void SetVetoPgmMix(int channel, int veto);

  void SetCrossfaderPosition(int position);
  int GetCrossfaderPosition() const { return crossfaderPosition.load(std::memory_order_relaxed); }
  // start -1 (hard cut) .. positions total - 3; other values are ignored.
  void SetCrossfaderCurveStartPoint(int start, bool customCurve);
  // Headphones between cue (0) and programme (the last position).
  void SetCuePgmMixPosition(int position);
  // A crossfader for the cue sends (overwrites the cue fader amplitudes of sided channels).
  void SetCuePFLMixPosition(int position);
  // Read only by GetOutputSignal.
  void SetMonitorSplitMode(int mode);

  void SetMasterVolume(int position);
  void SetMasterGain(float dB);
  void SetMonitorVolume(int position);
  void SetMonitorGain(float dB);
  void SetMicrophoneVolume(int position);
  void SetMicrophoneGain(float dB);
  float GetMasterGain() const { return masterGainDb; }
  float GetMonitorGain() const { return monitorGainDb; }
  // Volume and gain together, as dB.
  float GetMicrophoneGain();
  void SetMasterBalance(float balance);
  void SetMasterChannelMode(ChannelMode mode);
  ChannelMode GetMasterChannelMode() const;
  void SetTalkOver(int on);
  void SetOnAir(int on);
  // 1 normal; 0 external-mixer mode (deck buses carry the channels with their gain only).
  void SetEnableCrossfaderAndVolume(int enable);
  int GetEnableCrossfaderAndVolume() const { return enableCrossfaderAndVolume.load(std::memory_order_relaxed); }
  int GetCrossfaderCurveStartPoint() const { return curveStart; }

  // RMS levels in dB since the last reading (-159.35 for silence); reading resets the sums.
  void VUGetMasterRms(float& left, float& right);
  void VUGetMicrophoneRms(float& left, float& right);
  // After gain, before fader; -320 for both outside the channels.
  void VUGetChannelRms(int channel, float& left, float& right);

  // The main mix (audio thread). deckBuses points to two bus pointers (deck A, deck B; either may be null);
  // the other buses must not be null. All interleaved stereo, frames frames each.
  void GetOutputSignalForExternalMixer(float (**deckBuses)[2], float (*samplerBus)[2],
                                       float (*headphoneBus)[2], float (*masterBus)[2], int frames);
  // The filler zone's plain master and cue mix (cue may be null).
  void GetOutputSignal(float (*master)[2], float (*cue)[2], int frames);

  // The fader law plus a gain in dB, as an amplitude (0 at or below -318.8 dB).
  float calculateAmpFromFaderPosAndGain(int position, float dB);
  // Fast 20 x log10(x) for x > 0 (within a few hundredths of a dB); floor for x <= 0.
  static float decibelReadout(float x, float floor);

  int GetMaximumFrames() const { return maximumFrames; }

  // --- Automatic mix (user-interface side, one thread at a time) ---
  // Stores the user data and copies both callbacks.
  void AutoMixSetCallback(ZRAutomixCallback automix, ZRAutomixSyncCallback sync, void* userData);
  // preNotice: seconds before the mix at which the callback hears of it (negative: never).
  void AutoMixEnableAutoMode(bool on, float mixTime, bool beatmatch, float preNotice);
  void AutoMixSetDefaultMixTimeSeconds(float seconds);
  // force, or a sweep running: a sweep starts at once. Otherwise the next updates give the pre-notice and
  // start the sweep 0.35 s later (with auto mode on).
  void AutoMixNow(bool force);
  // Stops a running sweep where it is (no finish event).
  void AutoMixCancel();
  // The engine's clock: call regularly with the seconds since the last call.
  void AutoMixUpdate(float seconds);
  bool AutoMixIsMixing() const { return automixMixing; }
  bool AutoMixGetAutoMode() const { return automixAutoMode; }
  float AutoMixGetMixTime() const { return automixMixTime; }
  // The sweep's crossfader value, 0..127.
  float AutoMixGetPosition() const { return automixPosition; }
  // Starts a sweep (direction as AutomixDirection; negative seconds: the mix time).
  void AutoMixNow_internal(int direction, float seconds, bool beatmatch);
  // Whether the source of channel has come within the mix time of its end (or a manual request is due);
  // gives the pre-notice on the way.
  bool AutoMixShouldMixChannel_internal(int channel, float seconds);

 private:
  // Automatic mix (user-interface side).
  void* automixUserData = nullptr;
  ZRAutomixCallback automixCallback;
  ZRAutomixSyncCallback automixSyncCallback;
  bool automixAutoMode = false;
  bool automixMixing = false;
  bool automixLastMixing = false;
  bool automixIncreasing = true;
  float automixSpeed = 0.1f;  // crossfader positions per second
  float automixPosition = 63.0f;
  float automixMixTime = 6.0f;
  float automixPreNotice = -1.0f;
  bool automixNotified = false;
  bool automixBeatmatch = false;
  bool automixBeatmatchInUse = false;
  // Seconds since a manual request; -1: none pending.
  float automixRequestTimer = -1.0f;

  struct Meter {
    std::atomic<float> left{0.0f};
    std::atomic<float> right{0.0f};
    std::atomic<int> count{1};
    void add(float l, float r, int frames);
    void read(float& left, float& right);
  };

  bool valid(int channel) const {
    return channel >= 0 && channel < channelCount.load(std::memory_order_relaxed);
  }
  float faderDb(int position) const;
  float crossfaderDb(int side, int position) const;
  void CalculateAndSetChannelGlobalAmp(int channel);
  void mixPiece(float (**deckBuses)[2], float (*samplerBus)[2], float (*headphoneBus)[2],
                float (*masterBus)[2], int frames);
  void zonePiece(float (*master)[2], float (*cue)[2], int frames);
  // Pulls channel j into its buffer with the denormal flush and the channel meter.
  void pullChannel(int j, int frames);
  // Advances channel j's ramp one frame at a time and calls f(frame, gain) for each frame.
  template <class F>
  void ramp(int j, int frames, F&& f);
  void masterTail(float (*master)[2], int frames);
  void applyBalanceAndMode(float (*master)[2], int frames);

  int maximumFrames;
  std::atomic<int> channelCount{0};
  ZRAudioSignalSource* sources[kMaxChannels] = {};
  float* channelBuffers[kMaxChannels] = {};

  int masterVolume = 127, monitorVolume = 127, microphoneVolume = 127;
  float masterGainDb = 0, monitorGainDb = 0, microphoneGainDb = 0;
  std::atomic<float> masterAmp{1.0f}, monitorAmp{1.0f}, microphoneAmp{1.0f};
  float balance = 0;
  std::atomic<float> leftAmp{1.0f}, rightAmp{1.0f};
  std::atomic<int> channelMode{0};

  std::atomic<float> gainAmp[kMaxChannels];
  float faderAmp[kMaxChannels] = {};
  int fadersTotal = 128;
  int faderPositions[kMaxChannels] = {};
  float faderCoefficient = 1.0f;
  std::atomic<float> cueAmp[kMaxChannels];
  int cueFaderPositions[kMaxChannels] = {};
  std::atomic<int> monitorSplitMode{0};
  std::atomic<float> cueLevel{1.0f}, programLevel{0.0f};
  int pflMixPosition = 0, cuePgmMixPosition = 0;
  std::atomic<int> veto[kMaxChannels];
  std::atomic<int> enableCrossfaderAndVolume{1};
  float crossfaderAmp[kMaxChannels];
  float crossfaderCoefficient = 1.0f;
  std::atomic<int> crossfaderSide[kMaxChannels];
  int crossfaderTotal = 128;
  // Read by the automatic mix and by callers choosing the leading deck on other user-side threads.
  std::atomic<int> crossfaderPosition{0};
  int curveStart = 0;
  bool customCurve = false;

  Meter channelMeters[kMaxChannels];
  Meter masterMeter, microphoneMeter;

  int rampLength = kRampFrames;
  double rampGoal[kMaxChannels];
  std::atomic<double> rampTarget[kMaxChannels];
  std::atomic<double> rampCurrent[kMaxChannels];
  std::atomic<double> rampFactor[kMaxChannels];

  std::atomic<int> onAir{0}, talkOver{0};
  std::atomic<ZRAudioSignalSource*> microphoneSource{nullptr};
  float* microphoneBuffer = nullptr;
  std::atomic<ZRMixerChannel*> masterFxChannel{nullptr};
};
