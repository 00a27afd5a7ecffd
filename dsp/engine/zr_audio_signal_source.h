#pragma once
// ZRAudioSignalSource: everything the mixer pulls audio from once per device
// buffer (decks, mixer channels, preview and sampler players, the filler zone,
// live inputs). A source delivers interleaved stereo float frames at 44100 Hz
// and reports its tempo, position and length. Operations GetSamples to
// BeforeGetSamples run on the audio thread; each source decides what it
// shares with the setters called from other threads.
//
// The mix-in and mix-out points serve automatic mixing; only sources that
// take part in it override them.

class ZRAudioSignalSource {
 public:
  virtual ~ZRAudioSignalSource() = default;

  // Writes frames interleaved stereo float frames (2 x frames values).
  virtual void GetSamples(float* buffer, int frames) = 0;
  // The same as 16-bit interleaved stereo.
  virtual void GetSamplesShort(short* buffer, int frames) = 0;
  // Current tempo in beats per minute; 0 when the source has none.
  virtual float GetCurrentBPM() = 0;
  // Current position in frames at 44100 Hz.
  virtual int GetCurrentPos() = 0;
  // Length in frames; -1 when the source has no length.
  virtual int GetLength() = 0;
  // Called on every source before any GetSamples of a buffer, for pass 0,
  // then 1, then 2.
  virtual void BeforeGetSamples(int pass) = 0;

  virtual void SetMixInPoint(double /*seconds*/) {}
  virtual void SetMixOutPoint(double /*seconds*/) {}
  virtual void SetMixInPointFrames(int /*frames*/) {}
  virtual void SetMixOutPointFrames(int /*frames*/) {}
  virtual double GetMixInPoint() { return 0.0; }
  // -1.0: no exit point (play to the end).
  virtual double GetMixOutPoint() { return -1.0; }
  virtual int GetMixInPointFrames() { return 0; }
  virtual int GetMixOutPointFrames() { return -1; }
};
