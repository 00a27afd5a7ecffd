#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "dsp/key.h"
#include "dsp/key_names.h"

namespace {

std::string notation(Key* k, bool withMode = false) {
  char out[64];
  k->getKeyNotationSharp(withMode, out);
  return out;
}

std::string code(Key* k, bool verbose = false) {
  char out[32];
  k->getKeyCode()->toString(verbose, out);
  return out;
}

TEST(KeyNamesTest, TablesHave25EntriesAndNoKeySpace) {
  for (const char* const* t :
       {pitchKeyNamesStandard, pitchKeyNamesStandardSharp, pitchKeyNamesStandardFlat,
        pitchKeyNamesCircleOfFifthsNonStandard, pitchKeyNamesSharp, pitchKeyNamesFlat}) {
    int n = 0;
    while (t[n] != nullptr) ++n;
    EXPECT_EQ(n, 25);
    EXPECT_STREQ(t[0], " ");
    for (int i = 0; i < 25; ++i) EXPECT_LT(strlen(t[i]) + 1, static_cast<size_t>(kPitchKeyNameMaxLength));
  }
}

TEST(KeyNamesTest, EveryNotationRoundTripsThroughTheIndex) {
  for (int i = 1; i <= 24; ++i) {
    for (bool standard : {false, true}) {
      for (bool flat : {false, true}) {
        char out[kPitchKeyNameMaxLength];
        ASSERT_TRUE(getPitchKeyNameForUI(i, out, flat, standard));
        EXPECT_EQ(getPitchKeyIndex(out), i) << out;
      }
    }
    EXPECT_EQ(getPitchKeyIndex(pitchKeyNamesStandard[i]), i);
    EXPECT_EQ(getPitchKeyIndex(pitchKeyNamesCircleOfFifthsNonStandard[i]), i);
  }
}

TEST(KeyNamesTest, IndexLookups) {
  struct Case {
    const char* text;
    int index;
  } cases[] = {{"11B", 1},      {"11/A", 1}, {"A", 1},     {"8A", 13}, {"08m/Am", 13}, {"am", 13},
               {"c#m/dbm", 17}, {"bb", 2},   {"06/bb", 2}, {"", 0},    {"H", 0},       {"13A", 0}};
  for (const Case& c : cases) EXPECT_EQ(getPitchKeyIndex(c.text), c.index) << c.text;
  EXPECT_EQ(getPitchKeyIndex(nullptr), 0);
}

TEST(KeyNamesTest, NameForUiTablesAndRange) {
  char out[kPitchKeyNameMaxLength];
  EXPECT_TRUE(getPitchKeyNameForUI(2, out, true, true));
  EXPECT_STREQ(out, "Bb");
  EXPECT_TRUE(getPitchKeyNameForUI(2, out, false, true));
  EXPECT_STREQ(out, "A#");
  EXPECT_TRUE(getPitchKeyNameForUI(14, out, true, false));
  EXPECT_STREQ(out, "03m/Bbm");
  EXPECT_TRUE(getPitchKeyNameForUI(13, out, false, false));
  EXPECT_STREQ(out, "08m/Am");
  EXPECT_FALSE(getPitchKeyNameForUI(25, out, false, false));
  EXPECT_STREQ(out, " ");
  EXPECT_FALSE(getPitchKeyNameForUI(-1, out, true, true));
  EXPECT_STREQ(out, " ");
  EXPECT_FALSE(getPitchKeyNameForUI(0, out, true, true));
}

TEST(KeyTest, ParsingTable) {
  struct Case {
    const char* text;
    std::string notation;
    int mode;
    std::string shortCode;
    std::string verboseCode;
  } cases[] = {
      {"Bbm", "A#m", kModeAeolian, "03A", "03A"},
      {"8A", "Am", kModeAeolian, "08A", "08A"},
      {"8a", "Am", kModeAeolian, "08A", "08A"},
      {"8B", "C", kModeIonian, "08B", "08B"},
      {"D dorian", "Dm", kModeDorian, "08A", "08D"},
      {"Am+2", "Bm", kModeAeolian, "10A", "10A"},
      {"Am-1", "G#m", kModeAeolian, "01A", "01A"},
      {"C major", "C", kModeIonian, "08B", "08B"},
      {"C mixolydian", "C", kModeMixolydian, "07B", "07M"},
      {"G mixolydian", "G", kModeMixolydian, "08B", "08M"},
      {"  f#  ", "F#", kModeIonian, "02B", "02B"},
      {"Ab", "G#", kModeIonian, "04B", "04B"},
  };
  for (const Case& c : cases) {
    Key* k = Key::getKey(c.text);
    ASSERT_FALSE(k->isNoKey()) << c.text;
    EXPECT_EQ(notation(k), c.notation) << c.text;
    EXPECT_EQ(k->mode, c.mode) << c.text;
    EXPECT_EQ(code(k), c.shortCode) << c.text;
    EXPECT_EQ(code(k, true), c.verboseCode) << c.text;
  }
  EXPECT_EQ(notation(Key::getKey("D dorian"), true), "Dm dorian");
}

TEST(KeyTest, NoKeyTexts) {
  for (const char* t : {"", "+5", "13A", "xyz", "-3"}) {
    Key* k = Key::getKey(t);
    EXPECT_EQ(k, Key::NO_KEY) << t;
  }
  EXPECT_EQ(Key::getKey(nullptr), Key::NO_KEY);
  EXPECT_EQ(notation(Key::NO_KEY), "");
  EXPECT_EQ(code(Key::NO_KEY), "");
  EXPECT_EQ(Key::NO_KEY->getKeyCode(), KeyCode::NO_KEYCODE);
}

TEST(KeyTest, KeysAndCodesAreShared) {
  EXPECT_EQ(Key::getKey("Am"), Key::getKey("Am"));
  EXPECT_EQ(Key::getKey("Am"), Key::getKey("8A"));
  EXPECT_NE(Key::getKey("Am"), Key::getKey("A"));
  EXPECT_EQ(Key::getKey("C")->getKeyCode(), KeyCode::getKeyCode(8, 'I', 0));
}

TEST(KeyTest, FractionalRootsCarryTheirShift) {
  Key* k = Key::checkFactory(3.25f, kModeIonian);
  EXPECT_EQ(notation(k), "C +25");
  EXPECT_EQ(code(k), "08B +25");
  Key* low = Key::checkFactory(2.75f, kModeAeolian);
  EXPECT_EQ(notation(low), "Cm -25");
  // Roots wrap into one octave.
  EXPECT_EQ(Key::checkFactory(15.0f, kModeIonian), Key::checkFactory(3.0f, kModeIonian));
}

TEST(KeyTest, SubstringIgnoresCase) {
  EXPECT_TRUE(StringUtil_substring("DOR", "d dorian"));
  EXPECT_FALSE(StringUtil_substring("lyd", "d dorian"));
  EXPECT_FALSE(StringUtil_substring(nullptr, "x"));
  EXPECT_FALSE(StringUtil_substring("x", nullptr));
}

}  // namespace
