#pragma once
// ZRMixerChannel: the strip between an audio source and the mixer. It wraps one source, is itself a source,
// and runs the source's audio through 32 fixed effect slots every buffer (the deck EQ with its kills, the
// filter knob and the deck effects). A kind-1 channel has no source and no fixed effects: the mixer runs it
// in place on the master bus (master effects).
//
// Slots of a kind-0 channel: 0, 1 amplitude effects (kinds 0, 1); 2..7 flangers (kinds 5, 0, 1, 2, 3, 4);
// 8 plate reverb; 9 echo (kind 1); 10 phaser; 11 the EQ (running); 15 bit crusher; 16 beat splice;
// 17 low-pass sweep; 18 high-pass sweep; 19 the filter knob (running). Every effect with a dry/wet mix but
// the EQ starts silent and stopped.
//
// Threading: GetSamples, BeforeGetSamples and the tempo, position and length getters run on the audio
// thread; every setter runs on the user-interface side and writes plain effect parameters that the audio
// thread takes up at its next buffer. A source change is handed over through one pending pointer and taken
// at the start of the next GetSamples. Switching an effect on or off by start/stop is handed over the same
// way (a start resets the effect's state, which only the audio thread may touch while it plays), so
// isRunning() follows at the next buffer. The extra effects are walked without the list's lock: nothing
// changes that list while the channel plays.

#include <atomic>
#include <cstdint>

#include "dsp/engine/zr_audio_signal_source.h"

class CEffect;
class ZRPointerList;

class ZRMixerChannel : public ZRAudioSignalSource {
 public:
  static constexpr int kSlots = 32;
  static constexpr int kEqSlot = 11;

  // source may be null; owner is handed to every effect's constructor; kind 0 = source channel with the
  // fixed effects, 1 = master-effects channel. Appends itself to MixerChannelsList.
  ZRMixerChannel(ZRAudioSignalSource* source, void* owner, int kind);
  // Removes itself from MixerChannelsList and deletes its effects (never the source).
  ~ZRMixerChannel() override;
  ZRMixerChannel(const ZRMixerChannel&) = delete;
  ZRMixerChannel& operator=(const ZRMixerChannel&) = delete;

  // Pulls the source (a pending source first becomes the source; without a source a kind-1 channel
  // processes the buffer as passed and a kind-0 channel starts from silence), adds 1e-25 to every value and
  // runs the slots, then the extra effects, in place.
  void GetSamples(float* buffer, int frames) override;
  // Writes nothing.
  void GetSamplesShort(short* buffer, int frames) override;
  float GetCurrentBPM() override;
  int GetCurrentPos() override;
  int GetLength() override;
  void BeforeGetSamples(int pass) override;
  // Hands source over to the audio thread, which takes it at its next GetSamples; null withdraws a change
  // still pending (a channel never falls back to having no source).
  virtual void ChangeSource(ZRAudioSignalSource* source);

  // EQ bands 1..3 in dB (the EQ receives whole dB); a killed band keeps its value and reads -90.
  void SetEq(int band, float dB);
  void SetEqKill(int band, int kill);
  float GetEq(int band);
  // Effect knobs 0..1 (parameters are value x 1000 at the effect).
  void SetFxDryWet(int slot, float value);
  float GetFxDryWet(int slot);
  void SetFxParam1(int slot, float value);
  float GetFxParam1(int slot);
  void SetFxParam2(int slot, float value);
  float GetFxParam2(int slot);
  // The parameter's value text followed by its unit (a blank between when asked); always 0.
  int GetFxParamValueUnit(int slot, int param, char* text, bool spaceBeforeUnit);
  // Switches a slot's effect by its dry/wet mix when asked and possible, else by start/stop at the next
  // buffer.
  void EnableFx(int slot, int on, int useDryWet);

  // Slot contents, for inspection; null for an empty slot.
  CEffect* getEffect(int slot) const { return slot >= 0 && slot < kSlots ? effects[slot] : nullptr; }
  int getKind() const { return kind; }
  ZRAudioSignalSource* getSource() const { return source.load(std::memory_order_acquire); }

 private:
  // Hands a start (on) or stop of a slot's effect to the audio thread.
  void requestSwitch(int slot, bool on);
  // Audio thread: carries out the switches handed over since the last buffer.
  void applySwitches();

  CEffect* effects[kSlots] = {};
  // Per slot the latest switch asked for (1 start, 0 stop), and a mask of the slots asked since the audio
  // thread last looked.
  std::atomic<int> switchOn[kSlots] = {};
  std::atomic<uint32_t> switchPending{0};
  ZRPointerList* extraEffects;
  int kind;
  std::atomic<ZRAudioSignalSource*> pendingSource{nullptr};
  std::atomic<ZRAudioSignalSource*> source{nullptr};
  int eqKills[3] = {0, 0, 0};
  float eqValues[3] = {0, 0, 0};
  void* owner;
};

// Every live channel in creation order; null until InitializeMixerChannels.
extern ZRPointerList* MixerChannelsList;
// Creates MixerChannelsList when it does not exist yet; before the first channel is made.
void InitializeMixerChannels();
// Deletes MixerChannelsList; after every channel has been deleted.
void DeinitializeMixerChannels();
