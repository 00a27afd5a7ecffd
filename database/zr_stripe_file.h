#pragma once
// Stripe files: the per-track cache of a track's analysis (onset curve,
// display gain, waveform amplitudes, beat-grid flag, marked beats), so that a
// known track shows its waveform and beat grid without being analysed again.
// ZRDatabase::saveStripe writes them; a deck reads them when it opens a track.
//
// Layout (little-endian, no padding), N display points (one per 100 frames):
//   int32 version (1), int32 N, float32[N] onsets, float32 display gain,
//   int32 N again, uint8[N] amplitudes (round(value x 255)), int32 grid flag
//   (0/1), int32 4, int32 1, and, when the writer had a beat detector,
//   int32 M and int32[M] beat positions (display point indexes).
//
// A stripe name is "XX-YYYYYYYY" (hexadecimal); the file is the stripes
// folder, subfolder XX, file YYYYYYYY.

#include <vector>

#include "common/zr_string.h"

struct ZRStripeData {
  std::vector<float> onsets;
  float displayGain = 1.0f;
  std::vector<float> amplitudes;  // byte / 255
  bool gridSuitable = false;
  std::vector<int> beats;  // display point indexes, each in 0..N-1
};

enum class ZRStripeReadResult {
  kOk,
  kMissing,     // no file at the path
  kUnreadable,  // the file exists but cannot be opened
  kOldVersion,  // logged "info: old stripe format ..."
  kBad,         // logged "warning: bad stripe data(n)"
};

// The file of a stripe name: stripesDir, a separator when needed, and the
// name with its third character replaced by "/". Empty when the name is
// shorter than 3 characters or could leave the stripes folder (a separator in
// it, or a part that is "." or "..").
ZRString stripeFilePath(const ZRString& stripesDir, const ZRString& name);

// Reads a stripe file for a track of expectedCount display points. The beat
// count and positions are read only with withBeats. Every count read is
// checked against expectedCount and the file's size before anything is
// allocated, and every beat position must lie in 0..expectedCount-1; any
// mismatch or short read gives kBad (with its log line) and out is not
// usable.
ZRStripeReadResult readStripeFile(const ZRString& path, int expectedCount, bool withBeats, ZRStripeData* out);

// The display point count N a stripe file of the current version holds (the track's length when it
// was analysed), -1 when the file is missing, of another version or too short to say.
int readStripePointCount(const ZRString& path);
