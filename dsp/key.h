#pragma once
// The key detector's small music-theory model: a Key (a root that may lie
// between semitones, and one of seven modes) and its KeyCode (the place on
// the circle of fifths, 1..12, with a letter). Both are shared immutable
// objects: every key or code asked for is made once and kept until the
// process ends, so pointers can be compared.

#include <cstdint>

// Modes; 255 is no mode. Aeolian, dorian, phrygian and locrian are
// minor-type, the others major-type.
enum KeyMode : uint8_t {
  kModeIonian = 0,
  kModeAeolian = 1,
  kModeLydian = 2,
  kModeMixolydian = 3,
  kModeDorian = 4,
  kModePhrygian = 5,
  kModeLocrian = 6,
  kModeNone = 255,
};

// "ionian" .. "locrian"; "UNKNOWN" above 6.
const char* keyModeName(int mode);
bool keyModeIsMinor(int mode);

class KeyCode;

class Key {
 public:
  static constexpr float kNoRoot = -1000000.0f;
  // The key with no root and no mode.
  static Key* const NO_KEY;

  // Parses a key text: a note name with optional '#'/'b', minor mark and
  // mode word ("C#m", "D dorian"), or a circle-of-fifths code ("8A", "8b",
  // "3m"), each with an optional transposition suffix ("Am+2"). NO_KEY for a
  // null, empty or unreadable text.
  static Key* getKey(const char* text);
  // The shared key for (root, mode), made on first request.
  static Key* checkFactory(float root, int mode);

  Key(float root, int mode);

  // "A".."G#" with "m" for a minor-type mode; with withMode " " and the mode
  // name; then the shift. An empty text for no key. out: at least 64 bytes.
  void getKeyNotationSharp(bool withMode, char* out) const;
  void getPreferredKeyNotation(char* out) const { getKeyNotationSharp(false, out); }
  void appendMode(char* out) const;
  // " +s" or " -s" for a deviation of s hundredths of a semitone; nothing for 0.
  void appendShift(char* out) const;

  KeyCode* getKeyCode() const;

  bool isNoKey() const { return root == kNoRoot; }

  const float root;
  const uint8_t mode;
  const int8_t index;     // nearest semitone above A, 0..11
  const float deviation;  // root - nearest semitone
};

class KeyCode {
 public:
  static KeyCode* const NO_KEYCODE;

  // The shared code, made on first request.
  static KeyCode* getKeyCode(char number, char letter, char shift);

  KeyCode(char number, char letter, char shift);

  // Short ("08A": 'B' for major-type letters, 'A' otherwise) or verbose
  // ("08M": the mode letter, 'I' written as 'B'), then the shift. Empty for
  // no code. out: at least 32 bytes.
  void toString(char* out) { toString(false, out); }
  void toString(bool verbose, char* out);

  const int8_t number;  // 1..12, -128 none
  const char letter;    // 'A','I','L','M','D','P','C' or 'B'
  const int8_t shift;   // hundredths of a semitone, -128 none

 private:
  void calculateKeyCodeString(bool verbose, char* out) const;

  char shortText[32] = {0};
  char verboseText[32] = {0};
  bool shortDone = false;
  bool verboseDone = false;
};

// Whether text contains needle, ignoring case; false when either is null.
bool StringUtil_substring(const char* needle, const char* text);
