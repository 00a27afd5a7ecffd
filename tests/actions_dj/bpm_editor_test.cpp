// The tempo editor's decisions: tapped tempo, the field's text under any locale, and what OK gives the
// deck (nothing for a deck that changed track meanwhile).

#include "actions_dj/bpm_editor.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>
#include <vector>

namespace {

TEST(BpmEditor, TapsGiveTheMeanTempoSinceTheSequenceBegan) {
  struct Case {
    const char* name;
    std::vector<int64_t> stamps;
    std::vector<float> shown;
  };
  const Case cases[] = {
      {"500 ms apart", {1000, 1500, 2000, 2500}, {0, 120, 120, 120}},
      {"a pause of 1501 ms restarts", {1000, 1500, 3001, 3501}, {0, 120, 0, 120}},
      {"a pause of 1500 ms continues", {1000, 2500, 4000}, {0, 40, 40}},
      {"uneven taps average", {0, 400, 1000}, {0, 150, 120}},
      {"two taps in the same millisecond", {1000, 1000, 1500}, {0, 0, 120}},
      {"a bounce counts as a tap", {1000, 1500, 1500, 2000}, {0, 120, 240, 180}},
  };
  for (const Case& c : cases) {
    ZRTapTempo taps;
    for (size_t i = 0; i < c.stamps.size(); ++i) {
      EXPECT_FLOAT_EQ(taps.tap(c.stamps[i]), c.shown[i]) << c.name << " tap " << i;
    }
  }
}

TEST(BpmEditor, FieldTextsAndResults) {
  // A decimal-comma locale must not change what the field shows or reads (when the system has one).
  const std::string before = std::setlocale(LC_NUMERIC, nullptr);
  for (const char* locale : {"C", "de_DE.UTF-8", "fr_FR.UTF-8"}) {
    if (std::setlocale(LC_NUMERIC, locale) == nullptr) continue;
    EXPECT_EQ(bpmFieldText(124.0f), "124.00") << locale;
    EXPECT_EQ(bpmFieldText(127.456f), "127.46") << locale;
    EXPECT_EQ(bpmFieldText(45.0f), "000.0") << locale;
    EXPECT_EQ(bpmFieldText(180.0f), "000.0") << locale;
    EXPECT_EQ(bpmFieldText(0.0f), "000.0") << locale;
    EXPECT_DOUBLE_EQ(bpmFieldValue("124.50"), 124.5) << locale;
    EXPECT_DOUBLE_EQ(bpmFieldValue("abc"), 0.0) << locale;
  }
  std::setlocale(LC_NUMERIC, before.c_str());

  struct Case {
    int mode;
    const char* text;
    float atOpen, result;
  };
  const Case cases[] = {
      {kBpmManual, "128.00", 120.0f, 128.0f}, {kBpmManual, "120", 120.0f, 0.0f},
      {kBpmManual, "45", 0.0f, 0.0f},         {kBpmManual, "45.01", 0.0f, 45.01f},
      {kBpmManual, "180", 0.0f, 0.0f},        {kBpmManual, "000.0", 0.0f, 0.0f},
      {kBpmManual, "", 120.0f, 0.0f},         {kBpmAuto75To150, "", 120.0f, -1.0f},
      {kBpmAutoBelow100, "128", 0.0f, -2.0f}, {kBpmAutoAbove100, "x", 0.0f, -3.0f},
  };
  for (const Case& c : cases) {
    EXPECT_FLOAT_EQ(bpmEditorResult(c.mode, c.text, c.atOpen), c.result) << c.mode << " '" << c.text << "'";
  }
}

TEST(BpmEditor, OkLeavesADeckThatChangedTrackAlone) {
  ZRBpmEditorOpening opening;
  opening.deck = 0;
  opening.bpmAtOpen = 120.0f;
  opening.track = ZRString("/music/one.mp3");
  EXPECT_FLOAT_EQ(bpmEditorDecision(opening, ZRString("/music/one.mp3"), kBpmManual, "126"), 126.0f);
  EXPECT_FLOAT_EQ(bpmEditorDecision(opening, ZRString("/music/two.mp3"), kBpmManual, "126"), 0.0f);
  EXPECT_FLOAT_EQ(bpmEditorDecision(opening, ZRString("/music/One.mp3"), kBpmAuto75To150, ""), 0.0f);
  EXPECT_FLOAT_EQ(bpmEditorDecision(opening, ZRString(), kBpmAuto75To150, ""), 0.0f);
  // Without decks the editor opens on nothing and OK does nothing.
  EXPECT_EQ(bpmEditorOpen(0).deck, -1);
  EXPECT_FALSE(bpmEditorApply(bpmEditorOpen(0), kBpmAuto75To150, ""));
}

}  // namespace
