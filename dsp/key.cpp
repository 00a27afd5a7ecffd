#include "dsp/key.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

namespace {

const char* const kNoteNames[12] = {"A", "A#", "B", "C", "C#", "D", "D#", "E", "F", "F#", "G", "G#"};
const int kMinorNumbers[12] = {8, 3, 10, 5, 12, 7, 2, 9, 4, 11, 6, 1};
const int kMajorNumbers[12] = {11, 6, 1, 8, 3, 10, 5, 12, 7, 2, 9, 4};
// From circle-of-fifths number 1..12 to the root of its minor key.
const int kMinorRootOfNumber[12] = {11, 6, 1, 8, 3, 10, 5, 0, 7, 2, 9, 4};

float wrapRoot(float root) {
  if (root == Key::kNoRoot) return root;
  while (root < -0.5f) root += 12.0f;
  while (root >= 11.5f) root -= 12.0f;
  return root;
}

int nearestIndex(float root) {
  if (root == Key::kNoRoot) return 0;
  const int i = static_cast<int>(floorf(root + 0.5f));
  return ((i % 12) + 12) % 12;
}

float deviationOf(float root) {
  if (root == Key::kNoRoot) return 0;
  return root - floorf(root + 0.5f);
}

// Keys are asked for by analysis threads (decks and batch analysis may run at
// the same time), so the shared tables are guarded.
std::mutex& factoryMutex() {
  static std::mutex m;
  return m;
}

// The shared keys and codes live as long as the process: callers keep the pointers anywhere, also in
// objects destroyed at exit. The tables are made once and never destroyed, so every entry stays
// reachable (a table destroyed at exit would leave its entries behind as leaks).
std::map<std::string, Key*>& keyFlyWeights() {
  static auto* m = new std::map<std::string, Key*>;
  return *m;
}

std::map<std::string, KeyCode*>& keyCodeFlyWeights() {
  static auto* m = new std::map<std::string, KeyCode*>;
  return *m;
}

void appendShiftText(int s, char* out) {
  const size_t len = strlen(out);
  if (s > 0) {
    snprintf(out + len, 16, " +%d", s);
  } else if (s < 0) {
    snprintf(out + len, 16, " %d", s);
  }
}

}  // namespace

const char* keyModeName(int mode) {
  static const char* const kNames[7] = {"ionian", "aeolian",  "lydian", "mixolydian",
                                        "dorian", "phrygian", "locrian"};
  return mode >= 0 && mode <= 6 ? kNames[mode] : "UNKNOWN";
}

bool keyModeIsMinor(int mode) {
  return mode == kModeAeolian || mode == kModeDorian || mode == kModePhrygian || mode == kModeLocrian;
}

bool StringUtil_substring(const char* needle, const char* text) {
  if (needle == nullptr || text == nullptr) return false;
  const size_t n = strlen(needle);
  for (const char* t = text; *t; ++t) {
    if (strncasecmp(t, needle, n) == 0) return true;
  }
  return n == 0;
}

// ---------------------------------------------------------------------- Key

Key* const Key::NO_KEY = new Key(Key::kNoRoot, kModeNone);

Key::Key(float r, int m)
    : root(wrapRoot(r)),
      mode(static_cast<uint8_t>(m)),
      index(static_cast<int8_t>(nearestIndex(wrapRoot(r)))),
      deviation(deviationOf(wrapRoot(r))) {}

Key* Key::checkFactory(float r, int m) {
  if (r == kNoRoot) return NO_KEY;
  r = wrapRoot(r);
  char name[64];
  snprintf(name, sizeof(name), "%d,%d", static_cast<int>(r * 100), m);
  std::lock_guard<std::mutex> lock(factoryMutex());
  Key*& k = keyFlyWeights()[name];
  if (k == nullptr) k = new Key(r, m);
  return k;
}

Key* Key::getKey(const char* text) {
  if (text == nullptr || text[0] == 0) return NO_KEY;
  std::string s(text);

  // Transposition suffix.
  int shift = 0;
  size_t p = s.find('+');
  if (p == std::string::npos) p = s.find('-');
  if (p != std::string::npos) {
    const bool negative = s[p] == '-';
    size_t d = p + 1;
    while (d < s.size() && !isdigit(static_cast<unsigned char>(s[d]))) ++d;
    int n = 0;
    while (d < s.size() && isdigit(static_cast<unsigned char>(s[d])) && n < 100000) {
      n = n * 10 + (s[d] - '0');
      ++d;
    }
    shift = negative ? -n : n;
    s.erase(p);
  }

  for (char& c : s) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  const size_t b = s.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return NO_KEY;
  s = s.substr(b, s.find_last_not_of(" \t\r\n") - b + 1);

  float root = kNoRoot;
  int mode = kModeIonian;
  size_t digits = 0;
  int number = 0;
  while (digits < s.size() && digits < 3 && isdigit(static_cast<unsigned char>(s[digits]))) {
    number = number * 10 + (s[digits] - '0');
    ++digits;
  }
  if (digits > 0 && number >= 1 && number <= 12) {
    root = static_cast<float>(kMinorRootOfNumber[number - 1]);
    const char c = digits < s.size() ? s[digits] : 0;
    switch (c) {
      case 'a':
        mode = kModeAeolian;
        break;
      case 'b':
      case 'i':
        mode = kModeIonian, root += 3;
        break;
      case 'c':
        mode = kModeLocrian, root += 2;
        break;
      case 'd':
        mode = kModeDorian, root += 5;
        break;
      case 'l':
        mode = kModeLydian, root -= 4;
        break;
      case 'm':
        mode = kModeMixolydian, root -= 2;
        break;
      case 'p':
        mode = kModePhrygian, root -= 5;
        break;
      default:
        mode = kModeNone;
        break;
    }
  } else {
    static const int kLetterRoots[7] = {0, 2, 3, 5, 7, 8, 10};  // a..g
    const char c = s[0];
    if (c < 'a' || c > 'g') return NO_KEY;
    int r = kLetterRoots[c - 'a'];
    for (size_t i = 1; i < s.size(); ++i) {
      if (s[i] == '#') ++r;
      if (s[i] == 'b') --r;
    }
    if (r < 0) r += 12;
    root = static_cast<float>(r);
    const bool minor = s.find('m') != std::string::npos && s.find("major") == std::string::npos &&
                       s.find("mix") == std::string::npos;
    mode = minor ? kModeAeolian : kModeIonian;
  }

  if (shift != 0) root += shift;
  root = wrapRoot(root);

  // The first mode word found wins ("mixolydian" also contains "lyd").
  if (s.find("dor") != std::string::npos) {
    mode = kModeDorian;
  } else if (s.find("phr") != std::string::npos) {
    mode = kModePhrygian;
  } else if (s.find("mix") != std::string::npos) {
    mode = kModeMixolydian;
  } else if (s.find("lyd") != std::string::npos) {
    mode = kModeLydian;
  } else if (s.find("loc") != std::string::npos) {
    mode = kModeLocrian;
  }

  return checkFactory(root, mode);
}

void Key::getKeyNotationSharp(bool withMode, char* out) const {
  out[0] = 0;
  if (isNoKey()) return;
  strcpy(out, kNoteNames[index]);
  if (keyModeIsMinor(mode)) strcat(out, "m");
  if (withMode) appendMode(out);
  appendShift(out);
}

void Key::appendMode(char* out) const {
  strcat(out, " ");
  strcat(out, keyModeName(mode));
}

void Key::appendShift(char* out) const {
  appendShiftText(static_cast<int>(deviation * 100), out);
}

KeyCode* Key::getKeyCode() const {
  if (isNoKey()) return KeyCode::NO_KEYCODE;
  const bool minor = keyModeIsMinor(mode);
  int n = minor ? kMinorNumbers[index] : kMajorNumbers[index];
  char letter = minor ? 'A' : 'B';
  switch (mode) {
    case kModeIonian:
      letter = 'I';
      break;
    case kModeLydian:
      n += 1, letter = 'L';
      break;
    case kModeMixolydian:
      n -= 1, letter = 'M';
      break;
    case kModeDorian:
      n += 1, letter = 'D';
      break;
    case kModePhrygian:
      n -= 1, letter = 'P';
      break;
    case kModeLocrian:
      n -= 2, letter = 'C';
      break;
    default:
      break;
  }
  if (n <= 0) n += 12;
  if (n >= 13) n -= 12;
  return KeyCode::getKeyCode(static_cast<char>(n), letter,
                             static_cast<char>(static_cast<int>(deviation * 100)));
}

// ------------------------------------------------------------------ KeyCode

KeyCode* const KeyCode::NO_KEYCODE = new KeyCode(static_cast<char>(-128), 0, static_cast<char>(-128));

KeyCode::KeyCode(char n, char l, char s)
    : number(static_cast<int8_t>(n)), letter(l), shift(static_cast<int8_t>(s)) {}

KeyCode* KeyCode::getKeyCode(char n, char l, char s) {
  char name[64];
  snprintf(name, sizeof(name), "%d,%c,%d", static_cast<int8_t>(n), l ? l : '-', static_cast<int8_t>(s));
  std::lock_guard<std::mutex> lock(factoryMutex());
  KeyCode*& k = keyCodeFlyWeights()[name];
  if (k == nullptr) k = new KeyCode(n, l, s);
  return k;
}

void KeyCode::toString(bool verbose, char* out) {
  std::lock_guard<std::mutex> lock(factoryMutex());
  char* cached = verbose ? verboseText : shortText;
  bool& done = verbose ? verboseDone : shortDone;
  if (!done) {
    calculateKeyCodeString(verbose, cached);
    done = true;
  }
  strcpy(out, cached);
}

void KeyCode::calculateKeyCodeString(bool verbose, char* out) const {
  out[0] = 0;
  if (number == -128 || letter == 0 || shift == -128) return;
  char l;
  if (verbose) {
    l = letter == 'I' ? 'B' : letter;
  } else {
    l = (letter == 'I' || letter == 'L' || letter == 'M' || letter == 'B') ? 'B' : 'A';
  }
  snprintf(out, 8, "%02d%c", number, l);
  appendShiftText(shift, out);
}
