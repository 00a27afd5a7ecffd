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

#include <atomic>

class ZRAudioSignalSource;
class ZRMixerChannel;

enum ChannelMode {
  ChannelModeStereo = 0,
  ChannelModeSwap = 1,   // left and right swapped
  ChannelModeMono = 2,   // both (left + right) / 2
  ChannelModeLeft = 3,   // right = left
  ChannelModeRight = 4,  // left = right
};

class ZRMixer {
 public:
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

 private:
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
  int crossfaderPosition = 0;
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
