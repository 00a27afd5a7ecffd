#include "dsp/engine/zr_sampler_player.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "codecs/zr_audio_recorder.h"
#include "codecs/zr_master_codec.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "dsp/engine/sound_source.h"
#include "dsp/iir_filters.h"

namespace {

constexpr double kFramesPerMinute = 2646000.0;
constexpr int kDefaultBeatFrames = 22050;
constexpr int kReadFrames = 44100;
constexpr float kMaxFilterHz = 20000.0f;
constexpr float kDefaultQ = 0.707f;

std::mutex registryLock;
// The recording callback walks the registry inside this gate; a slot leaving it waits for the walk.
ZRAudioReaderGate registryGate;
std::atomic<ZRSamplerPlayer::MasterDeckFunction> masterDeckFunction{nullptr};

}  // namespace

std::atomic<ZRSamplerPlayer*> ZRSamplerPlayer::samplers[ZRSamplerPlayer::kMaxSlots] = {};
std::atomic<int> ZRSamplerPlayer::totalSamplers{0};

void ZRSamplerPlayer::setMasterDeckFunction(MasterDeckFunction function) {
  masterDeckFunction.store(function);
}

ZRSamplerPlayer::MasterDeckFunction ZRSamplerPlayer::masterDeck() {
  return masterDeckFunction.load();
}

ZRSamplerPlayer* ZRSamplerPlayer::create(int id) {
  std::lock_guard<std::mutex> lock(registryLock);
  for (std::atomic<ZRSamplerPlayer*>& entry : samplers) {
    if (entry.load() != nullptr) continue;
    auto* slot = new ZRSamplerPlayer(id);
    entry.store(slot, std::memory_order_release);
    totalSamplers.fetch_add(1);
    return slot;
  }
  return nullptr;
}

void ZRSamplerPlayer::audioRecCallback(float* master, int frames, int /*channels*/) {
  registryGate.enter();
  for (std::atomic<ZRSamplerPlayer*>& entry : samplers) {
    ZRSamplerPlayer* slot = entry.load(std::memory_order_seq_cst);
    if (slot == nullptr) continue;
    ZRAudioHandOver<ZRAudioRecorder>::Reader reader(slot->recorder);
    ZRAudioRecorder* r = reader.get();
    if (r != nullptr && r->isRecording()) r->putSamples(master, frames);
  }
  registryGate.leave();
}

ZRSamplerPlayer::ZRSamplerPlayer(int slotId)
    : id(slotId), codec(std::make_unique<ZRMasterCodec>(kCodecId)), filter(std::make_unique<CIIRFilter>()) {}

ZRSamplerPlayer::~ZRSamplerPlayer() {
  {
    std::lock_guard<std::mutex> lock(registryLock);
    for (std::atomic<ZRSamplerPlayer*>& entry : samplers) {
      ZRSamplerPlayer* expected = this;
      if (entry.compare_exchange_strong(expected, nullptr, std::memory_order_seq_cst)) {
        totalSamplers.fetch_sub(1);
        registryGate.waitForReaders("a sampler slot");
        break;
      }
    }
  }
  std::lock_guard<std::mutex> lock(controlLock);
  installSample(nullptr, ZRString());
  if (std::unique_ptr<ZRAudioRecorder> r = recorder.exchange(nullptr, "a sampler slot's recorder"))
    r->close();
}

bool ZRSamplerPlayer::Open(const ZRString& path) {
  std::lock_guard<std::mutex> lock(controlLock);
  installSample(nullptr, ZRString());
  std::unique_ptr<Sample> loaded = decodeFile(path);
  if (!loaded) return false;
  installSample(std::move(loaded), path);
  return true;
}

bool ZRSamplerPlayer::Open(const float* samples, int frames) {
  std::lock_guard<std::mutex> lock(controlLock);
  installSample(nullptr, ZRString());
  if (samples == nullptr || frames <= 0 || frames > kMaxFrames) return false;
  auto loaded = std::make_unique<Sample>();
  loaded->frames = std::make_unique<float[]>(2 * static_cast<size_t>(frames));
  std::memcpy(loaded->frames.get(), samples, sizeof(float) * 2 * static_cast<size_t>(frames));
  loaded->length = frames;
  installSample(std::move(loaded), ZRString());
  return true;
}

void ZRSamplerPlayer::Close() {
  std::lock_guard<std::mutex> lock(controlLock);
  installSample(nullptr, ZRString());
}

void ZRSamplerPlayer::installSample(std::unique_ptr<Sample> next, const ZRString& name) {
  const int length = next ? next->length : 0;
  // Stopped and back at the start before the sample changes, so the new one never plays from an old
  // position.
  setPlayState(false, true);
  positionRequest.store(-1.0, std::memory_order_release);
  totalBeats.store(0);
  syncPitch.store(0);
  syncPending.store(0);
  if (next) {
    speed.store(1.0);
    direction.store(1);
  }
  openLength.store(length, std::memory_order_release);
  fileName = name;
  sample.exchange(std::move(next), "a sampler slot's sample");
}

std::unique_ptr<ZRSamplerPlayer::Sample> ZRSamplerPlayer::decodeFile(const ZRString& path) {
  ZRCodecBase::OpenStruct request;
  request.path = path;
  request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  if (!codec->openFileOrStream(&request, 1.0f)) return nullptr;
  const int fileLength = request.format.totalFrames;
  if (fileLength <= 0 || fileLength > kMaxFrames) {
    codec->close();
    return nullptr;
  }
  int start = 0;
  int length = fileLength;
  TZRDatabaseTrack track;
  if (ZRDatabase::getInstance()->getTrackIdOnlyIfFound(-1, path, &track) && track.cueIn > 0 &&
      track.cueOut > 0) {
    // The range cue-in .. cue-out (inclusive) only when it lies inside the file; anything else would read
    // past the file or beyond the 30 s the slot is made for.
    if (track.cueIn < track.cueOut && track.cueOut < fileLength) {
      start = track.cueIn;
      length = track.cueOut + 1 - track.cueIn;
    } else {
      ZRLOG("sampler: cue-in %d and cue-out %d do not fit the %d frames of '%s'; the whole file is loaded",
            track.cueIn, track.cueOut, fileLength, path);
    }
  }
  // The whole file is as long as the decoder delivers: the announced length is an estimate (a VBR MP3
  // without its header announces a second or more too little).
  const bool whole = start == 0 && length == fileLength;
  if (whole) length = kMaxFrames + 1;
  // The codec refuses reads of fewer than 256 frames, so each read goes through a full-size scratch
  // buffer and only the frames wanted are kept; frames the decoder does not deliver stay silent.
  std::vector<float> frames;
  frames.reserve(2 * static_cast<size_t>(whole ? fileLength : length));
  std::unique_ptr<float[]> scratch = std::make_unique<float[]>(2 * kReadFrames);
  for (int done = 0; done < length;) {
    const int want = std::min(kReadFrames, length - done);
    const int got = codec->getSamples(scratch.get(), kReadFrames, start + done);
    if (got <= 0) break;
    const int keep = std::min(got, want);
    frames.insert(frames.end(), scratch.get(), scratch.get() + 2 * static_cast<size_t>(keep));
    done += keep;
  }
  codec->close();
  if (whole) {
    length = static_cast<int>(frames.size() / 2);
    if (length > kMaxFrames || length <= 0) return nullptr;
  }
  frames.resize(2 * static_cast<size_t>(length), 0.0f);
  auto loaded = std::make_unique<Sample>();
  loaded->frames = std::make_unique<float[]>(2 * static_cast<size_t>(length));
  std::memcpy(loaded->frames.get(), frames.data(), sizeof(float) * frames.size());
  loaded->length = length;
  return loaded;
}

ZRString ZRSamplerPlayer::GetFileName() {
  std::lock_guard<std::mutex> lock(controlLock);
  return fileName;
}

void ZRSamplerPlayer::setPlayState(bool playing, bool restart) {
  uint32_t old = playState.load(std::memory_order_acquire);
  for (;;) {
    // Requests the audio thread has not taken yet stay in the word; a stop adds the clearing of the filter.
    const uint32_t next = (((old >> kCommandShift) + 1) << kCommandShift) | (old & kFilterRequests) |
                          (playing ? kPlayingBit : kClearFilter) | (restart ? kRestart : 0u);
    if (playState.compare_exchange_weak(old, next, std::memory_order_acq_rel, std::memory_order_acquire)) {
      return;
    }
  }
}

void ZRSamplerPlayer::askPosition(double frames) {
  positionRequest.store(std::max(0.0, frames), std::memory_order_release);
}

void ZRSamplerPlayer::SetPlaying(int play) {
  if (!play) {
    setPlayState(false, IsOpen());
    return;
  }
  if (!IsOpen()) return;
  if (autoSync.load()) {
    if (MasterDeckFunction f = masterDeck()) SyncDeckToOtherDeck(f());
  }
  setPlayState(true, looping.load() == 0);
}

void ZRSamplerPlayer::SetCurrentPos(int frames) {
  if (IsOpen()) askPosition(frames);
}

float ZRSamplerPlayer::GetCurrentBPM() {
  const int length = openLength.load(std::memory_order_acquire);
  const int beats = totalBeats.load();
  if (length <= 0 || beats <= 0) return 0.0f;
  // In floating point: a sample shorter than its beat count would make an integer beat length 0.
  return static_cast<float>(kFramesPerMinute * beats / length);
}

int ZRSamplerPlayer::GetCurrentPos() {
  if (!IsOpen()) return 0;
  // A restart the audio thread has not taken yet.
  const uint32_t st = playState.load(std::memory_order_acquire);
  if ((st & kRestart) && (st >> kCommandShift) != appliedCommand.load(std::memory_order_acquire)) return 0;
  const double asked = positionRequest.load(std::memory_order_acquire);
  return static_cast<int>(std::lround(asked >= 0.0 ? asked : position.load(std::memory_order_acquire)));
}

int ZRSamplerPlayer::GetLength() {
  return openLength.load(std::memory_order_acquire);
}

void ZRSamplerPlayer::GetSamplesShort(short*, int) {}

void ZRSamplerPlayer::BeforeGetSamples(int pass) {
  if (pass == 1 && syncPending.load(std::memory_order_acquire)) TryToSyncToOtherDeck();
}

bool ZRSamplerPlayer::tempoMatch(CSoundSource* deck, int& pitch) {
  const float own = GetCurrentBPM();
  const float other = deck->GetCurrentBPM();
  if (own <= 0.0f || other <= 0.0f) return false;
  const double deckPitch = deck->GetPitch();
  const long p = std::lround(((deckPitch / 10000.0 + 1.0) * other / own - 1.0) * 10000.0);
  // More than 50 % away: the sample keeps its speed.
  if (std::labs(p) > 5000) return false;
  pitch = static_cast<int>(p);
  return true;
}

void ZRSamplerPlayer::SyncDeckToOtherDeck(void* deckPointer) {
  auto* deck = static_cast<CSoundSource*>(deckPointer);
  if (deck == nullptr || !IsOpen()) return;
  setPlayState(true, false);
  int pitch = 0;
  if (!tempoMatch(deck, pitch)) return;
  const int dir = direction.load();
  syncPitch.store(pitch);
  speed.store(dir * pitch / 10000.0 + dir);
  syncDeck.store(deck, std::memory_order_release);
  syncPending.store(1, std::memory_order_release);
}

int ZRSamplerPlayer::beatLength() {
  const float bpm = GetCurrentBPM();
  return bpm > 1.0f ? static_cast<int>(kFramesPerMinute / bpm) : kDefaultBeatFrames;
}

void ZRSamplerPlayer::GetNearestBeatsInfo(int& outPosition, int& outBeatLength, float& outPhase, int& last) {
  if (!IsOpen()) return;
  const int pos = static_cast<int>(std::floor(position.load(std::memory_order_acquire)));
  const int L = beatLength();
  float phase = 0.0f;
  if (L >= 1) phase = std::clamp(1.0f - static_cast<float>(pos % L) / static_cast<float>(L), 0.0f, 1.0f);
  if (step < 0) phase = 1.0f - phase;
  outPosition = pos;
  outBeatLength = L;
  outPhase = phase;
  last = -1;
}

void ZRSamplerPlayer::TryToSyncToOtherDeck() {
  ZRAudioHandOver<Sample>::Reader reader(sample);
  const Sample* s = reader.get();
  CSoundSource* deck = syncDeck.load(std::memory_order_acquire);
  if (s != nullptr && deck != nullptr) {
    takeRequests(s);
    int pos = 0, L = 0, last = 0;
    float phase = 0.0f;
    GetNearestBeatsInfo(pos, L, phase, last);
    int deckPos = 0, deckBeat = 0, bar = 0;
    float deckPhase = 0.0f;
    deck->GetNearestBeatsInfo(deckPos, deckBeat, deckPhase, bar);
    if (deckBeat >= 1 && L >= 1) {
      double pd = deckPhase + kSyncLeadFrames / deckBeat;
      if (pd < 0.0) pd += 1.0;
      if (pd > 1.0) pd -= 1.0;
      // The deck's phase grows from 0 after a beat to 1 on the next; the slot's own phase runs the other
      // way (1 on the beat, falling), so it is turned round before the two are compared.
      double diff = (1.0 - phase) - pd;
      if (diff > 0.5) diff -= 1.0;
      if (diff < -0.5) diff += 1.0;
      const double sp = speed.load();
      const double sign = sp > 0 ? 1.0 : (sp < 0 ? -1.0 : 0.0);
      AdvanceDeckPosition(static_cast<float>(-(L * diff * sign)));
    }
  }
  syncPending.store(0, std::memory_order_release);
}

void ZRSamplerPlayer::AdvanceDeckPosition(float frames) {
  const int length = openLength.load(std::memory_order_acquire);
  if (length <= 0 || beatLength() < 1) return;
  double next = position.load(std::memory_order_relaxed) + frames;
  if (next < 0.0 || next >= length) {
    if (!looping.load()) return;
    next = std::fmod(next, static_cast<double>(length));
    if (next < 0.0) next += length;
  }
  position.store(next, std::memory_order_release);
}

uint32_t ZRSamplerPlayer::takeRequests(const Sample* s) {
  // The play state first: a seek asked before a play command is then seen with it. The filter requests
  // are taken in the same step as the command, so the buffer's play state, the clearing of every stop
  // since the last buffer and the filter settings all belong to one moment of the user side.
  uint32_t st = playState.load(std::memory_order_acquire);
  if (st & kFilterRequests) st = playState.fetch_and(~kFilterRequests, std::memory_order_acq_rel);
  if (st & kClearFilter) filter->clear();
  if (st & kFilterChange) {
    // Read after the request was taken: at least the settings it announced (a newer publish has raised
    // the request again for the next buffer).
    const FilterSettings fs = filterSettings.read();
    filter->change_frequency(fs.frequency > 0.0f ? fs.frequency : -1.0f, fs.lowPass ? 1 : 0, fs.q);
  }
  st &= ~kFilterRequests;
  const uint32_t command = st >> kCommandShift;
  if (command != appliedCommand.load(std::memory_order_relaxed)) {
    if (st & kRestart) position.store(0.0, std::memory_order_release);
    appliedCommand.store(command, std::memory_order_release);
  }
  const double asked = positionRequest.exchange(-1.0, std::memory_order_acq_rel);
  if (asked >= 0.0) position.store(asked, std::memory_order_release);
  if (s != nullptr) {
    // Inside the sample the audio thread holds (a new sample may be shorter than the old position).
    const double p = position.load(std::memory_order_relaxed);
    if (!(p >= 0.0 && p < s->length)) position.store(0.0, std::memory_order_release);
  }
  return st;
}

void ZRSamplerPlayer::GetSamples(float* buffer, int frames) {
  if (frames <= 0) return;
  ZRAudioHandOver<Sample>::Reader reader(sample);
  const Sample* s = reader.get();
  const uint32_t startState = takeRequests(s);
  const bool sounding = s != nullptr && (startState & kPlayingBit) != 0;
  // A slot that sounds again (after a one-shot's end, a stop or an empty slot) starts the filter afresh:
  // the state left by the last sound may not suit a filter changed since, and would blow up in it.
  if (sounding && !soundedLastBuffer) filter->clear();
  soundedLastBuffer = sounding;
  if (sounding) {
    render(*s, buffer, frames, startState);
  } else {
    std::memset(buffer, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
  }
  // Also while bypassed: leaving bypass is how the filter clears its state for the next use.
  if (sounding) filter->process_CutOff_Filter(reinterpret_cast<float(*)[2]>(buffer), frames * 4);
}

void ZRSamplerPlayer::render(const Sample& s, float* buffer, int frames, uint32_t startState) {
  const int length = s.length;
  const float* data = s.frames.get();
  double sp = speed.load(std::memory_order_relaxed);
  if (!std::isfinite(sp)) sp = 0.0;
  const int dir = direction.load(std::memory_order_relaxed);
  const bool loop = looping.load(std::memory_order_relaxed) != 0;
  double pos = position.load(std::memory_order_relaxed);
  step = sp;
  const double advance = step * dir;
  int i = 0;
  bool ended = false;
  for (; i < frames; ++i) {
    const long i0 = static_cast<long>(pos);
    const long i1 = i0 + 1 < length ? i0 + 1 : 0;
    const float f = static_cast<float>(pos - static_cast<double>(i0));
    buffer[2 * i] = data[2 * i1] * f + data[2 * i0] * (1.0f - f);
    buffer[2 * i + 1] = data[2 * i1 + 1] * f + data[2 * i0 + 1] * (1.0f - f);
    pos += advance;
    if (pos > length - 1 || pos < 0.0) {
      if (!loop) {
        ended = true;
        ++i;
        break;
      }
      // A loop wraps; positions between the last frame and the length blend the last frame into frame 0.
      if (pos >= length || pos < 0.0) {
        pos = std::fmod(pos, static_cast<double>(length));
        if (pos < 0.0) pos += length;
        if (!(pos < length)) pos = 0.0;
      }
    }
  }
  if (i < frames) std::memset(buffer + 2 * i, 0, sizeof(float) * 2 * static_cast<size_t>(frames - i));
  if (ended) {
    // Only if the user side has given no play command meanwhile (a new press stands); filter requests
    // raised meanwhile stay for the next buffer. Bounded: the user side can change the word without a
    // command only by raising the two request bits.
    uint32_t expected = playState.load(std::memory_order_acquire);
    bool stopped = false;
    while ((expected & ~kFilterRequests) == startState) {
      if (playState.compare_exchange_weak(expected, expected & ~kPlayingBit, std::memory_order_acq_rel,
                                          std::memory_order_acquire)) {
        stopped = true;
        break;
      }
    }
    if (stopped) {
      pos = advance < 0.0 ? length - 1 : 0.0;
    } else {
      pos = std::clamp(pos, 0.0, static_cast<double>(length - 1));
    }
  }
  position.store(pos, std::memory_order_release);
}

void ZRSamplerPlayer::setCutoffFilter(bool lowPass, float frequencyHz, float q) {
  FilterSettings fs;
  fs.lowPass = lowPass;
  fs.frequency = std::isfinite(frequencyHz) ? std::min(frequencyHz, kMaxFilterHz) : -1.0f;
  fs.q = std::isfinite(q) && q > 0.0f ? q : kDefaultQ;
  filterSettings.publish(fs);
  playState.fetch_or(kFilterChange, std::memory_order_release);
}

bool ZRSamplerPlayer::startStopRecordingFromAudioRecCallback(bool start, const ZRString& path) {
  std::lock_guard<std::mutex> lock(controlLock);
  ZRAudioRecorder* r = recorder.get();
  if (!start) {
    if (r != nullptr) r->close();
    return true;
  }
  if (r == nullptr) {
    recorder.exchange(std::make_unique<ZRAudioRecorder>(1, 0), "a sampler slot's recorder");
    r = recorder.get();
  }
  return r->open(path);
}

float ZRSamplerPlayer::getRecordingTime() {
  std::lock_guard<std::mutex> lock(controlLock);
  ZRAudioRecorder* r = recorder.get();
  return r != nullptr ? r->getSeconds() : 0.0f;
}

ZRString ZRSamplerPlayer::getRecordingFilename() {
  std::lock_guard<std::mutex> lock(controlLock);
  ZRAudioRecorder* r = recorder.get();
  return r != nullptr ? r->getFilename() : ZRString();
}

bool ZRSamplerPlayer::isRecording() {
  std::lock_guard<std::mutex> lock(controlLock);
  ZRAudioRecorder* r = recorder.get();
  return r != nullptr && r->isRecording();
}
