#pragma once
// ZRSimpleMixZone: the karaoke filler player. Background music that plays between singers and crossfades
// from one file to the next by itself: a private mixer with two preview players on crossfader sides 0 and
// 1, whose automatic-mix engine sweeps the crossfader when the current file nears its end. When a sweep
// starts, the zone asks its next-file callback for a file and opens it on the incoming player. A fade of
// both channel faders starts and stops the filler smoothly. The application registers the zone as a
// channel of the main mixer (sampler bus and master).
//
// Threads: every operation but GetSamples runs on the user-interface side: the GUI tick (render thread)
// drives AutoMixUpdate, and the user actions (main thread) start, stop and move it; one lock of the zone's
// own serialises them. The next-file callback and the file opening run on the thread that calls
// AutoMixUpdate (or mixNow), never on the audio thread. GetSamples runs on the audio thread and only pulls
// the private mixer, whose settings reach it through the mixer's ramps (zr_mixer.h).

#include <mutex>

#include "database/zr_database_track.h"
#include "dsp/engine/zr_audio_signal_source.h"
#include "dsp/engine/zr_mixer.h"

class ZRPreviewPlayer;

class ZRSimpleMixZone : public ZRAudioSignalSource {
 public:
  static constexpr int kPathBytes = 4096;
  // Calls of the next-file callback per sweep while it returns no file.
  static constexpr int kNextFileAttempts = 5;
  static constexpr int kMixerFrames = 22050;

  // path (kPathBytes) out: the next file, empty for none; gainDb, mixIn and mixOut (seconds, -1: none) out.
  using NextFileCallback = void (*)(char* path, float* gainDb, double* mixIn, double* mixOut, void* zone);

  ZRSimpleMixZone(NextFileCallback nextFile, float mixDurationSeconds, bool autoMode, int id,
                  float fadeInSeconds, float fadeOutSeconds);
  // Deletes both players, then the mixer. The zone must be out of the audio path.
  ~ZRSimpleMixZone() override;
  ZRSimpleMixZone(const ZRSimpleMixZone&) = delete;
  ZRSimpleMixZone& operator=(const ZRSimpleMixZone&) = delete;

  // mode -1 toggles by whether the current player plays; 1 starts (auto mode on); anything else stops
  // both players, ends a sweep and brings the crossfader to the current player's side.
  void playPause(int mode);
  bool getPlaying();
  // Sweeps to the next file at once, fading in, and plays.
  void mixNow();
  // on: fades in and plays; off: fades out and stops at silence.
  void fadeAndPlayPause(bool on);
  void setMixDuration(float seconds);
  // The zone's clock (GUI tick): the mixer's automatic mix, then the fade.
  void AutoMixUpdate(float seconds);
  // The current player's position as a fraction of its length (0 below one frame of length).
  double getPosPercent();
  void setPosPercent(double fraction);

  // Called by the mixer's automatic mix (from AutoMixUpdate or mixNow).
  void automixCallback(int position, AutomixDirection direction, AutomixEvent event, bool flag);
  static void automixCallback_SimpleMixZone(int position, AutomixDirection direction, AutomixEvent event,
                                            bool beatmatch, void* zone);
  static void automixSyncCallback_SimpleMixZone(int positionFlag, int increasing, bool beatmatch, void* zone);

  // --- ZRAudioSignalSource ---
  // The private mixer's master (audio thread).
  void GetSamples(float* buffer, int frames) override;
  // Writes nothing.
  void GetSamplesShort(short* buffer, int frames) override;
  float GetCurrentBPM() override { return -1.0f; }
  int GetCurrentPos() override { return -1; }
  int GetLength() override { return -1; }
  void BeforeGetSamples(int pass) override;

  // For inspection (tests, displays).
  int getCurrentPlayer();
  ZRPreviewPlayer* getPlayer(int index) { return index == 0 || index == 1 ? players[index] : nullptr; }
  ZRMixer* getMixer() { return mixer; }
  float getFadeLevel();
  int getId() const { return id; }
  // A record carried for the zone's users; the zone does not fill it.
  TZRDatabaseTrack track;

 private:
  void playPauseLocked(int mode);
  void applyFaders();

  std::recursive_mutex lock;
  NextFileCallback nextFile;
  const int id;
  int currentPlayer = 0;
  float mixDuration;
  ZRMixer* mixer;
  ZRPreviewPlayer* players[2];
  int fadeDirection = 0;
  float fadeLevel = 0.0f;
  float fadeInSpeed;
  float fadeOutSpeed;
};
