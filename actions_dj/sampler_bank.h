#pragma once
// The sampler bank file, sampler.xml: the eight slots' samples from one run to the next.
//
//   <sampler version="2">
//   <sample index="1" file="/path/Kick.wav" beats="0" autosync="0" loop="0" pitch="0" volume="127" />
//   </sampler>
//
// index counts the slots from 1; beats is the slot's length in beats (0 none); pitch and volume are the
// positions of the slot's pitch slider (-5000..5000) and volume slider (0..127). The file is written whole
// through the atomic writer, so a failed save leaves the last good bank. A bank that exists but does not
// read (damaged, or another root element) is moved aside before anything is loaded, so the save at
// shut-down cannot write an empty bank over it.
//
// Threads: no state; one caller per file at a time (the shell at start-up and shut-down).

#include <vector>

#include "common/zr_string.h"

struct ZRSamplerBankSample {
  int slot = -1;                            // 0..7
  ZRString file;                            // as read, with the reader's prefix in front
  int beats = -1, pitch = -1, volume = -1;  // -1: missing
  bool autoSync = false, loop = false;
};

inline constexpr int kSamplerBankSlots = 8;

// Reads the samples of the bank at path, in file order, prefix put in front of every file name (the
// default bank names its sounds relative to its own folder). Elements other than "sample", and indexes
// outside 1..8, are skipped; numbers are decimal integers (-1 when missing), autosync and loop booleans
// ("1", "TRUE", "YES", "Y", "OK" in any case). False, nothing read, for a missing file; false after moving
// it aside (logged) for a file that does not parse or whose root is not "sampler".
bool readSamplerBank(const ZRString& path, const ZRString& prefix, std::vector<ZRSamplerBankSample>& samples);

// Writes samples (those with a slot 0..7 and a non-empty file, in the order given) as the bank at path.
// False (logged) when the file could not be written; the old file then stays as it was.
bool writeSamplerBank(const ZRString& path, const std::vector<ZRSamplerBankSample>& samples);
