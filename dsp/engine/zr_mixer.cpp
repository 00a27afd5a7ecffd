#include "dsp/engine/zr_mixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/zr_geometry_utils.h"
#include "dsp/engine/zr_audio_signal_source.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "dsp/fast_log2.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;
constexpr float kSilentDb = -318.8f;

template <class T>
T ld(const std::atomic<T>& a) {
  return a.load(kRelaxed);
}

float ampFromDb(double dB) {
  return dB > kSilentDb ? static_cast<float>(std::pow(10.0, dB / 20.0)) : 0.0f;
}

// Flushes numbers too small to be heard to zero before they turn denormal further down.
// (Not folded away: without fast-math the compiler keeps both operations.)
inline float flush(float v) {
  return (v + 1e-18f) - 1e-18f;
}

void zero(float (*bus)[2], int frames) {
  if (bus != nullptr) std::memset(bus, 0, sizeof(float) * 2 * frames);
}

}  // namespace

void ZRMixer::Meter::add(float l, float r, int frames) {
  left.store(left.load(kRelaxed) + l, kRelaxed);
  right.store(right.load(kRelaxed) + r, kRelaxed);
  count.store(count.load(kRelaxed) + frames, kRelaxed);
}

void ZRMixer::Meter::read(float& l, float& r) {
  const float n = static_cast<float>(count.load(kRelaxed));
  l = 0.5f * decibelReadout(left.load(kRelaxed) / n, -159.35f);
  r = 0.5f * decibelReadout(right.load(kRelaxed) / n, -159.35f);
  left.store(0.0f, kRelaxed);
  right.store(0.0f, kRelaxed);
  count.store(1, kRelaxed);
}

float ZRMixer::decibelReadout(float x, float floor) {
  return fastDecibels(x, floor);
}

ZRMixer::ZRMixer(int maxFrames) : maximumFrames(std::max(32, maxFrames)) {
  for (int i = 0; i < kMaxChannels; ++i) {
    gainAmp[i].store(1.0f);
    cueAmp[i].store(0.0f);
    veto[i].store(0);
    crossfaderAmp[i] = 1.0f;
    crossfaderSide[i].store(-1);
    rampGoal[i] = 1.0;
    rampTarget[i].store(1.0);
    rampCurrent[i].store(1.0);
    rampFactor[i].store(1.0);
  }
  SetCrossfaderCurveStartPoint(0, false);
  SetFadersTotalPositions(128);
}

ZRMixer::~ZRMixer() {
  channelCount.store(0);
  for (float*& b : channelBuffers) {
    delete[] b;
    b = nullptr;
  }
  delete[] microphoneBuffer;
}

int ZRMixer::AddMixerChannel(ZRAudioSignalSource* source) {
  const int index = channelCount.load();
  if (index >= kMaxChannels) return -1;
  sources[index] = source;
  channelBuffers[index] = new float[2 * static_cast<size_t>(maximumFrames)]();
  channelMeters[index].left.store(0.0f);
  channelMeters[index].right.store(0.0f);
  channelMeters[index].count.store(1);
  channelCount.store(index + 1, std::memory_order_release);
  return index;
}

int ZRMixer::AddMixerMicrophoneChannel(ZRAudioSignalSource* source) {
  if (microphoneBuffer == nullptr) microphoneBuffer = new float[2 * static_cast<size_t>(maximumFrames)]();
  microphoneSource.store(source, std::memory_order_release);
  return 1;
}

void ZRMixer::SetMasterFXChannel(ZRMixerChannel* channel) {
  masterFxChannel.store(channel, std::memory_order_release);
}

float ZRMixer::faderDb(int position) const {
  if (position >= fadersTotal - 1) return 0.0f;
  if (position <= 0) return -320.0f;
  return static_cast<float>(
      -(std::pow(static_cast<double>(faderCoefficient), fadersTotal - 1 - position) - 1.0));
}

float ZRMixer::calculateAmpFromFaderPosAndGain(int position, float dB) {
  return ampFromDb(static_cast<double>(faderDb(position)) + dB);
}

void ZRMixer::SetFadersTotalPositions(int n) {
  fadersTotal = std::max(2, n);
  faderCoefficient = static_cast<float>(calculate_mul_coefficient(1, 91, fadersTotal - 1));
  for (int j = 0; j < channelCount.load(kRelaxed); ++j) {
    SetFaderPosition(j, faderPositions[j]);
    SetCuePFLFaderPosition(j, cueFaderPositions[j]);
  }
  masterAmp.store(calculateAmpFromFaderPosAndGain(masterVolume, masterGainDb), kRelaxed);
  monitorAmp.store(calculateAmpFromFaderPosAndGain(monitorVolume, monitorGainDb), kRelaxed);
  microphoneAmp.store(calculateAmpFromFaderPosAndGain(microphoneVolume, microphoneGainDb), kRelaxed);
}

void ZRMixer::SetCrossfaderTotalPositions(int n) {
  crossfaderTotal = std::max(2, n);
  SetCrossfaderCurveStartPoint(curveStart, false);
}

void ZRMixer::CalculateAndSetChannelGlobalAmp(int j) {
  const double goal = static_cast<double>(ld(gainAmp[j])) * faderAmp[j] * crossfaderAmp[j] + 1.0;
  rampGoal[j] = goal;
  if (goal != ld(rampTarget[j])) {
    const double factor = calculate_mul_coefficient(ld(rampCurrent[j]), goal, rampLength);
    // Factor before target: the audio thread clamps at whichever target it sees, so a new target with the
    // old factor at worst lands one step early.
    rampFactor[j].store(factor, kRelaxed);
    rampTarget[j].store(goal, std::memory_order_release);
  }
}

void ZRMixer::SetFaderPosition(int channel, int position) {
  if (!valid(channel)) return;
  faderPositions[channel] = position;
  faderAmp[channel] = calculateAmpFromFaderPosAndGain(position, 0.0f);
  CalculateAndSetChannelGlobalAmp(channel);
}

void ZRMixer::SetCuePFLFaderPosition(int channel, int position) {
  if (!valid(channel)) return;
  cueFaderPositions[channel] = position;
  cueAmp[channel].store(calculateAmpFromFaderPosAndGain(position, 0.0f), kRelaxed);
}

void ZRMixer::SetChannelGain(int channel, float dB) {
  if (!valid(channel)) return;
  gainAmp[channel].store(dB <= kSilentDb ? 0.0f : static_cast<float>(std::pow(10.0, dB / 20.0)), kRelaxed);
  CalculateAndSetChannelGlobalAmp(channel);
}

float ZRMixer::GetChannelGain(int channel) {
  if (!valid(channel)) return -320.0f;
  return decibelReadout(ld(gainAmp[channel]), -318.7f);
}

float ZRMixer::GetChannelFader(int channel) {
  if (!valid(channel)) return -320.0f;
  return decibelReadout(faderAmp[channel], -318.7f);
}

void ZRMixer::SetCrossfaderChannel(int side, int channel) {
  if (!valid(channel)) return;
  crossfaderSide[channel].store(side == 0 || side == 1 ? side : -1, kRelaxed);
  SetCrossfaderPosition(crossfaderPosition);
}

int ZRMixer::GetCrossfaderChannel(int channel) {
  return valid(channel) ? ld(crossfaderSide[channel]) : -1;
}

void ZRMixer::SetVetoPgmMix(int channel, int v) {
  if (valid(channel)) veto[channel].store(v, kRelaxed);
}

float ZRMixer::crossfaderDb(int side, int p) const {
  const int m = crossfaderTotal;
  const int s = curveStart;
  const double k = crossfaderCoefficient;
  const int a = side == 0 ? std::max(p - s, 0) : std::max(m - 1 - p - s, 0);
  if (a == 0) return 0.0f;
  if ((side == 0 && p == m - 1) || (side == 1 && p == 0)) return -320.0f;
  return static_cast<float>(-(std::pow(k, a) - 1.0));
}

void ZRMixer::SetCrossfaderPosition(int p) {
  crossfaderPosition = p;
  const int m = crossfaderTotal;
  for (int j = 0; j < kMaxChannels; ++j) {
    const int side = ld(crossfaderSide[j]);
    float amp = 1.0f;
    if (side == 0 || side == 1) {
      if (curveStart == -1) {
        const bool silent = side == 0 ? p >= m / 2 : p < m / 2;
        amp = silent ? 0.0f : 1.0f;
      } else {
        amp = ampFromDb(crossfaderDb(side, p));
      }
    }
    crossfaderAmp[j] = amp;
    if (j < channelCount.load(kRelaxed)) CalculateAndSetChannelGlobalAmp(j);
  }
}

void ZRMixer::SetCrossfaderCurveStartPoint(int start, bool custom) {
  customCurve = custom;
  if (start < -1 || start > crossfaderTotal - 3) return;
  curveStart = start;
  if (start != -1) {
    crossfaderCoefficient = static_cast<float>(calculate_mul_coefficient(1, 91, crossfaderTotal - 1 - start));
  }
  SetCrossfaderPosition(crossfaderPosition);
  SetCuePgmMixPosition(cuePgmMixPosition);
}

void ZRMixer::SetCuePgmMixPosition(int p) {
  cuePgmMixPosition = p;
  const double k = crossfaderCoefficient;
  const int a = p >= curveStart ? p - curveStart : 0;
  const int b = std::max(crossfaderTotal - 1 - p - curveStart, 0);
  cueLevel.store(ampFromDb(-(std::pow(k, a) - 1.0)), kRelaxed);
  programLevel.store(ampFromDb(-(std::pow(k, b) - 1.0)), kRelaxed);
}

void ZRMixer::SetCuePFLMixPosition(int p) {
  pflMixPosition = p;
  const double k = crossfaderCoefficient;
  for (int j = 0; j < kMaxChannels; ++j) {
    const int side = ld(crossfaderSide[j]);
    if (side != 0 && side != 1) continue;
    const int a = side == 0 ? std::max(p - curveStart, 0) : std::max(crossfaderTotal - 1 - p - curveStart, 0);
    cueAmp[j].store(ampFromDb(-(std::pow(k, a) - 1.0)), kRelaxed);
  }
}

void ZRMixer::SetMonitorSplitMode(int mode) {
  monitorSplitMode.store(mode, kRelaxed);
}

void ZRMixer::SetMasterVolume(int position) {
  masterVolume = position;
  masterAmp.store(calculateAmpFromFaderPosAndGain(masterVolume, masterGainDb), kRelaxed);
}
void ZRMixer::SetMasterGain(float dB) {
  masterGainDb = dB;
  masterAmp.store(calculateAmpFromFaderPosAndGain(masterVolume, masterGainDb), kRelaxed);
}
void ZRMixer::SetMonitorVolume(int position) {
  monitorVolume = position;
  monitorAmp.store(calculateAmpFromFaderPosAndGain(monitorVolume, monitorGainDb), kRelaxed);
}
void ZRMixer::SetMonitorGain(float dB) {
  monitorGainDb = dB;
  monitorAmp.store(calculateAmpFromFaderPosAndGain(monitorVolume, monitorGainDb), kRelaxed);
}
void ZRMixer::SetMicrophoneVolume(int position) {
  microphoneVolume = position;
  microphoneAmp.store(calculateAmpFromFaderPosAndGain(microphoneVolume, microphoneGainDb), kRelaxed);
}
void ZRMixer::SetMicrophoneGain(float dB) {
  microphoneGainDb = dB;
  microphoneAmp.store(calculateAmpFromFaderPosAndGain(microphoneVolume, microphoneGainDb), kRelaxed);
}

float ZRMixer::GetMicrophoneGain() {
  return decibelReadout(ld(microphoneAmp), -318.7f);
}

void ZRMixer::SetMasterBalance(float b) {
  balance = std::clamp(b, -1.0f, 1.0f);
  float l = 1.0f, r = 1.0f;
  if (balance < 0) r = 1.0f + balance;
  if (balance > 0) l = 1.0f - balance;
  leftAmp.store(l, kRelaxed);
  rightAmp.store(r, kRelaxed);
}

void ZRMixer::SetMasterChannelMode(ChannelMode mode) {
  channelMode.store(static_cast<int>(mode), kRelaxed);
}
ChannelMode ZRMixer::GetMasterChannelMode() const {
  return static_cast<ChannelMode>(ld(channelMode));
}
void ZRMixer::SetTalkOver(int on) {
  talkOver.store(on, kRelaxed);
}
void ZRMixer::SetOnAir(int on) {
  onAir.store(on, kRelaxed);
}
void ZRMixer::SetEnableCrossfaderAndVolume(int enable) {
  enableCrossfaderAndVolume.store(enable, kRelaxed);
}

void ZRMixer::VUGetMasterRms(float& left, float& right) {
  masterMeter.read(left, right);
}
void ZRMixer::VUGetMicrophoneRms(float& left, float& right) {
  microphoneMeter.read(left, right);
}

void ZRMixer::VUGetChannelRms(int channel, float& left, float& right) {
  if (!valid(channel)) {
    left = right = -320.0f;
    return;
  }
  channelMeters[channel].read(left, right);
  const float gainDb = decibelReadout(ld(gainAmp[channel]), -318.7f);
  left += gainDb;
  right += gainDb;
}

void ZRMixer::pullChannel(int j, int frames) {
  float* buf = channelBuffers[j];
  sources[j]->GetSamples(buf, frames);
  float l = 0.0f, r = 0.0f;
  for (int i = 0; i < frames; ++i) {
    const float a = flush(buf[2 * i]);
    const float b = flush(buf[2 * i + 1]);
    buf[2 * i] = a;
    buf[2 * i + 1] = b;
    l += a * a + 1e-25f;
    r += b * b + 1e-25f;
  }
  channelMeters[j].add(l, r, frames);
}

template <class F>
void ZRMixer::ramp(int j, int frames, F&& f) {
  const double target = rampTarget[j].load(std::memory_order_acquire);
  const double factor = ld(rampFactor[j]);
  double current = ld(rampCurrent[j]);
  for (int i = 0; i < frames; ++i) {
    if (current != target) {
      current *= factor;
      if ((factor > 1.0 && current > target) || (factor <= 1.0 && current < target) || factor == 1.0) {
        current = target;
      }
    }
    f(i, static_cast<float>(current - 1.0));
  }
  rampCurrent[j].store(current, kRelaxed);
}

void ZRMixer::GetOutputSignalForExternalMixer(float (**deckBuses)[2], float (*samplerBus)[2],
                                              float (*headphoneBus)[2], float (*masterBus)[2], int frames) {
  // Longer requests than the channel buffers hold are mixed in pieces.
  for (int done = 0; done < frames;) {
    const int n = std::min(maximumFrames, frames - done);
    float(*decks[2])[2] = {nullptr, nullptr};
    for (int d = 0; d < 2; ++d) {
      if (deckBuses != nullptr && deckBuses[d] != nullptr) decks[d] = deckBuses[d] + done;
    }
    mixPiece(decks, samplerBus + done, headphoneBus + done, masterBus + done, n);
    done += n;
  }
}

void ZRMixer::mixPiece(float (**deckBuses)[2], float (*samplerBus)[2], float (*headphoneBus)[2],
                       float (*master)[2], int frames) {
  zero(deckBuses[0], frames);
  zero(deckBuses[1], frames);
  zero(samplerBus, frames);
  zero(headphoneBus, frames);
  zero(master, frames);
  const int count = channelCount.load(std::memory_order_acquire);
  for (int pass = 0; pass < 3; ++pass) {
    for (int j = 0; j < count; ++j) sources[j]->BeforeGetSamples(pass);
  }
  const bool talk = ld(talkOver) != 0;
  const float masterA = ld(masterAmp);
  const float A = talk ? masterA * kTalkOverAmp : masterA;
  const bool normal = ld(enableCrossfaderAndVolume) != 0;

  for (int j = 0; j < count; ++j) {
    pullChannel(j, frames);
    float(*ch)[2] = reinterpret_cast<float(*)[2]>(channelBuffers[j]);
    if (j <= 1) {
      float(*bus)[2] = deckBuses[j];
      if (bus == nullptr) continue;
      if (normal) {
        ramp(j, frames, [&](int i, float g) {
          const float L = ch[i][0] * g, R = ch[i][1] * g;
          bus[i][0] = A * L;
          bus[i][1] = A * R;
          master[i][0] += L;
          master[i][1] += R;
        });
      } else {
        const float gain = ld(gainAmp[j]);
        for (int i = 0; i < frames; ++i) {
          bus[i][0] = ch[i][0] * gain;
          bus[i][1] = ch[i][1] * gain;
          master[i][0] += bus[i][0] * 0.75f;
          master[i][1] += bus[i][1] * 0.75f;
        }
      }
    } else if (j >= 3) {
      ramp(j, frames, [&](int i, float g) {
        const float L = ch[i][0] * g, R = ch[i][1] * g;
        samplerBus[i][0] += A * L;
        samplerBus[i][1] += A * R;
        master[i][0] += L;
        master[i][1] += R;
      });
    }
  }

  if (ZRAudioSignalSource* mic = microphoneSource.load(std::memory_order_acquire)) {
    if (talk) {
      for (int i = 0; i < frames; ++i) {
        master[i][0] *= kTalkOverAmp;
        master[i][1] *= kTalkOverAmp;
      }
    }
    float(*mb)[2] = reinterpret_cast<float(*)[2]>(microphoneBuffer);
    if (ld(onAir) != 0) {
      mic->GetSamples(microphoneBuffer, frames);
      const float micA = ld(microphoneAmp);
      float l = 0.0f, r = 0.0f;
      for (int i = 0; i < frames; ++i) {
        const float mL = mb[i][0] * micA, mR = mb[i][1] * micA;
        samplerBus[i][0] += masterA * mL;
        samplerBus[i][1] += masterA * mR;
        headphoneBus[i][0] += mL;
        headphoneBus[i][1] += mR;
        master[i][0] += mL;
        master[i][1] += mR;
        l += mL * mL + 1e-25f;
        r += mR * mR + 1e-25f;
      }
      microphoneMeter.add(l, r, frames);
    } else {
      std::memset(microphoneBuffer, 0, sizeof(float) * 2 * frames);
    }
  }

  const float level = ld(cueLevel);
  for (int j = 0; j < count; ++j) {
    const float amp = ld(cueAmp[j]) * ld(gainAmp[j]) * (ld(veto[j]) != 0 ? 1.0f : level);
    if (amp == 0.0f) continue;
    const float* ch = channelBuffers[j];
    float* hp = &headphoneBus[0][0];
    for (int i = 0; i < 2 * frames; ++i) hp[i] += ch[i] * amp;
  }
  const float program = ld(programLevel);
  if (program > 0.0f) {
    for (int i = 0; i < frames; ++i) {
      headphoneBus[i][0] += master[i][0] * program;
      headphoneBus[i][1] += master[i][1] * program;
    }
  }
  const float monitor = ld(monitorAmp);
  float* hp = &headphoneBus[0][0];
  for (int i = 0; i < 2 * frames; ++i) hp[i] = flush(hp[i] * monitor);

  float* m = &master[0][0];
  for (int i = 0; i < 2 * frames; ++i) m[i] *= masterA;
  if (ZRMixerChannel* fx = masterFxChannel.load(std::memory_order_acquire)) fx->GetSamples(m, frames);
  masterTail(master, frames);
}

void ZRMixer::masterTail(float (*master)[2], int frames) {
  float l = 0.0f, r = 0.0f;
  for (int i = 0; i < frames; ++i) {
    master[i][0] = flush(master[i][0]);
    master[i][1] = flush(master[i][1]);
    l += master[i][0] * master[i][0] + 1e-25f;
    r += master[i][1] * master[i][1] + 1e-25f;
  }
  masterMeter.add(l, r, frames);
  applyBalanceAndMode(master, frames);
}

void ZRMixer::applyBalanceAndMode(float (*master)[2], int frames) {
  const float la = ld(leftAmp), ra = ld(rightAmp);
  if (la != 1.0f) {
    for (int i = 0; i < frames; ++i) master[i][0] *= la;
  }
  if (ra != 1.0f) {
    for (int i = 0; i < frames; ++i) master[i][1] *= ra;
  }
  switch (ld(channelMode)) {
    case ChannelModeSwap:
      for (int i = 0; i < frames; ++i) std::swap(master[i][0], master[i][1]);
      break;
    case ChannelModeMono:
      for (int i = 0; i < frames; ++i) master[i][0] = master[i][1] = (master[i][0] + master[i][1]) * 0.5f;
      break;
    case ChannelModeLeft:
      for (int i = 0; i < frames; ++i) master[i][1] = master[i][0];
      break;
    case ChannelModeRight:
      for (int i = 0; i < frames; ++i) master[i][0] = master[i][1];
      break;
    default:
      break;
  }
}

void ZRMixer::GetOutputSignal(float (*master)[2], float (*cue)[2], int frames) {
  for (int done = 0; done < frames;) {
    const int n = std::min(maximumFrames, frames - done);
    zonePiece(master + done, cue != nullptr ? cue + done : nullptr, n);
    done += n;
  }
}

void ZRMixer::zonePiece(float (*master)[2], float (*cue)[2], int frames) {
  zero(master, frames);
  zero(cue, frames);
  const int count = channelCount.load(std::memory_order_acquire);
  for (int pass = 0; pass < 3; ++pass) {
    for (int j = 0; j < count; ++j) sources[j]->BeforeGetSamples(pass);
  }
  for (int j = 0; j < count; ++j) {
    pullChannel(j, frames);
    float(*ch)[2] = reinterpret_cast<float(*)[2]>(channelBuffers[j]);
    ramp(j, frames, [&](int i, float g) {
      master[i][0] += ch[i][0] * g;
      master[i][1] += ch[i][1] * g;
    });
  }
  ZRAudioSignalSource* mic = microphoneSource.load(std::memory_order_acquire);
  const bool micOnAir = mic != nullptr && ld(onAir) != 0;
  const float micA = ld(microphoneAmp);
  float(*mb)[2] = reinterpret_cast<float(*)[2]>(microphoneBuffer);
  if (mic != nullptr) {
    if (micOnAir) {
      mic->GetSamples(microphoneBuffer, frames);
    } else {
      std::memset(microphoneBuffer, 0, sizeof(float) * 2 * frames);
    }
    if (ld(talkOver) != 0) {
      for (int i = 0; i < frames; ++i) {
        master[i][0] *= kTalkOverAmp;
        master[i][1] *= kTalkOverAmp;
      }
    }
    if (micOnAir) {
      float l = 0.0f, r = 0.0f;
      for (int i = 0; i < frames; ++i) {
        const float mL = mb[i][0] * micA, mR = mb[i][1] * micA;
        master[i][0] += mL;
        master[i][1] += mR;
        l += mL * mL + 1e-25f;
        r += mR * mR + 1e-25f;
      }
      microphoneMeter.add(l, r, frames);
    }
  }
  float* m = &master[0][0];
  if (ZRMixerChannel* fx = masterFxChannel.load(std::memory_order_acquire)) fx->GetSamples(m, frames);
  const float masterA = ld(masterAmp);
  for (int i = 0; i < 2 * frames; ++i) m[i] *= masterA;
  // Flush and meter here; balance and channel mode follow the cue mix, which reads the master before them.
  float l = 0.0f, r = 0.0f;
  for (int i = 0; i < frames; ++i) {
    master[i][0] = flush(master[i][0]);
    master[i][1] = flush(master[i][1]);
    l += master[i][0] * master[i][0] + 1e-25f;
    r += master[i][1] * master[i][1] + 1e-25f;
  }
  masterMeter.add(l, r, frames);

  if (cue != nullptr) {
    const int split = ld(monitorSplitMode);
    const float level = ld(cueLevel);
    for (int j = 0; j < count; ++j) {
      const float* ch = channelBuffers[j];
      const int side = ld(crossfaderSide[j]);
      const float gain = ld(gainAmp[j]);
      if (split != 0 && (side == 0 || side == 1)) {
        for (int i = 0; i < frames; ++i) cue[i][side] += (ch[2 * i] + ch[2 * i + 1]) * 0.5f * gain;
      } else {
        const float amp = ld(cueAmp[j]) * gain * (ld(veto[j]) != 0 ? 1.0f : level);
        for (int i = 0; i < frames; ++i) {
          cue[i][0] += ch[2 * i] * amp;
          cue[i][1] += ch[2 * i + 1] * amp;
        }
      }
    }
    const float program = ld(programLevel);
    if (split == 0 && program > 0.0f) {
      for (int i = 0; i < frames; ++i) {
        cue[i][0] += master[i][0] * program;
        cue[i][1] += master[i][1] * program;
      }
    }
    if (micOnAir) {
      for (int i = 0; i < frames; ++i) {
        cue[i][0] += mb[i][0] * micA;
        cue[i][1] += mb[i][1] * micA;
      }
    }
    const float monitor = ld(monitorAmp);
    float* c = &cue[0][0];
    for (int i = 0; i < 2 * frames; ++i) c[i] = flush(c[i] * monitor);
  }
  applyBalanceAndMode(master, frames);
}
