#pragma once
// CLiveInputSource: an audio source fed by a pair of sound-device input channels. The sound output writes the
// routed input channels into its buffer once per device buffer; the source passes that line or microphone
// signal on, so a turntable, a CD player or a microphone is mixed through a deck's or the microphone's mixer
// channel. The position, tempo and length questions go to the deck the input belongs to (none for the
// microphone).
//
// Both the writing (the output's input callback) and the reading (the mixer's pull) run on the audio thread,
// so the buffer needs no lock.

#include "dsp/engine/zr_audio_signal_source.h"

class CLiveInputSource : public ZRAudioSignalSource {
 public:
  static constexpr int kMinimumFrames = 4410;

  // deck may be null; the buffer holds max(bufferFrames, 4410) interleaved stereo frames, silent at first.
  CLiveInputSource(ZRAudioSignalSource* deck, int bufferFrames);
  ~CLiveInputSource() override;
  CLiveInputSource(const CLiveInputSource&) = delete;
  CLiveInputSource& operator=(const CLiveInputSource&) = delete;

  // Copies the buffer's first frames frames; a longer request than the buffer holds gets silence after it.
  void GetSamples(float* buffer, int frames) override;
  // Writes nothing.
  void GetSamplesShort(short* buffer, int frames) override;
  float GetCurrentBPM() override;
  int GetCurrentPos() override;
  int GetLength() override;
  void BeforeGetSamples(int pass) override;

  // The input buffer the sound output writes (interleaved stereo) and its size in frames.
  float* getInputBuffer() { return inputBuffer; }
  int getInputBufferFrames() const { return bufferFrames; }
  ZRAudioSignalSource* getDeck() const { return deck; }

 private:
  ZRAudioSignalSource* deck;
  int bufferFrames;
  float* inputBuffer;
};
