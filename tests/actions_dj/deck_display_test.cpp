// The texts of the per-deck display: times from frames and pitch texts.

#include "actions_dj/deck_display.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DeckDisplayTexts, Times) {
  struct Case {
    int frames;
    const char* text;
  };
  const Case cases[] = {{0, "00:00.0"},        {4409, "00:00.0"},       {4410, "00:00.1"},
                        {44100, "00:01.0"},    {44100 * 61 + 22050, "01:01.5"}, {44100 * 600, "10:00.0"},
                        {-1, ""}};
  for (const Case& c : cases) {
    char out[32];
    formatDeckTime(c.frames, out);
    EXPECT_STREQ(out, c.text) << c.frames;
  }
}

TEST(DeckDisplayTexts, Pitches) {
  struct Case {
    int pitch;
    bool percent;
    const char* text;
  };
  const Case cases[] = {{0, true, "0.00%"}, {150, true, "1.50%"}, {-5, true, "-0.05%"}, {-1600, false, "-16.00"}};
  for (const Case& c : cases) {
    char out[32];
    formatPitchText(c.pitch, c.percent, out);
    EXPECT_STREQ(out, c.text) << c.pitch;
  }
}

}  // namespace
