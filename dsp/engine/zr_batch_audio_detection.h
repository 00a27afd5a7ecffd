#pragma once
// ZRBatchAudioDetection: analyses library tracks in the background, one file
// at a time, the way a deck analyses a loaded track but without playing it:
// the whole file is decoded second by second into the waveform display data
// and the tempo detector, the final analysis finds tempo, beat grid and
// loudness, and the results go to the track database and the track's stripe
// file.
//
// One instance is used by one thread at a time (it owns a codec and an
// analyser); several instances may run at once on different threads. The
// codec's 16-bit reads of a 44100 Hz stereo 16-bit source take no shared
// lock; opening, closing and other sources take the codecs' global lock.

#include "codecs/zr_codec_base.h"
#include "common/zr_string.h"

class ZRAudioDetection;
class ZRAudioDisplayProcessing;
class ZRMasterCodec;

class ZRBatchAudioDetection {
 public:
  // Files of this many frames (1201 s) or more are not analysed.
  static constexpr int kMaxFrames = 52964100;

  ZRBatchAudioDetection(const ZRString& stripesFolder, bool firstGeneration, bool steadyMode);
  ~ZRBatchAudioDetection();
  ZRBatchAudioDetection(const ZRBatchAudioDetection&) = delete;
  ZRBatchAudioDetection& operator=(const ZRBatchAudioDetection&) = delete;

  // Stored only: the analysis starts without key frames, so no key is
  // detected and the stored key stays as it is.
  void setDetectMusicalKey(bool on) { detectMusicalKey = on; }
  bool getDetectMusicalKey() const { return detectMusicalKey; }

  // Analyses one file and stores its tempo, duration and gain (for a track
  // the library knows) and its stripe file. A file that does not open, is
  // empty or too long is skipped; a failed final analysis stores nothing
  // ("batch ended1"). The int argument is not used.
  void analyzeFileAndUpdateDatabase(const ZRString& path, int unused);

 private:
  ZRString stripesFolder;
  TDSPAudioFormat requestFormat;
  ZRMasterCodec* codec = nullptr;
  ZRAudioDetection* detection = nullptr;
  ZRAudioDisplayProcessing* display = nullptr;
  bool detectMusicalKey = false;
};
