// The controller value provider and the skin's reaction to pushed notifications: names answered from the
// nodes, empty decks, scrolling texts, and every index a script may pass out of range.

#include "main_dj/controller_values.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "actions_dj/controller_notify.h"
#include "engine_nodes_fixture.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_text.h"
#include "main_dj/controller_notifications_poll.h"

namespace orvel_test {
namespace {

struct Answer {
  int type = -1, value = -7;
  double number = -7;
  std::string text;
};

Answer ask(const char* name, int deck, int scroll = 0, int textSize = 64) {
  Answer a;
  std::vector<char> text(std::max(textSize, 1), 'x');
  GetEngineValue(name, deck, a.value, a.number, text.data(), textSize, a.type, scroll);
  if (textSize > 0) a.text = text.data();
  return a;
}

using ControllerValues = EngineNodesTest;

TEST_F(ControllerValues, NamesReadTheirNodes) {
  bindAll();
  node<ZRNodeSliderKnob>("deck_fx_echo_param1", 0)->SetPos(640, false);
  node<ZRNodeButton>("deck_fx_echo", 1)->setSwitched(true, false);
  node<ZRNodeSliderKnob>("crossfader", -1)->SetPos(100, false);
  EXPECT_EQ(ask("fxEchoParam1", 0).value, 640);
  EXPECT_EQ(ask("fxEchoParam1", 0).type, 1);
  EXPECT_EQ(ask("fxEcho", 1).value, 1);
  EXPECT_EQ(ask("fxEcho", 0).value, 0);
  EXPECT_EQ(ask("crossfader", 0).value, 100);
  EXPECT_EQ(ask("pitchIs0", 1).value, 1);
  EXPECT_EQ(ask("onbeat", 0).value, 0);
}

TEST_F(ControllerValues, AnEmptyDeckAnswersEmptyTextsAndUnknownNamesNothing) {
  const Answer artist = ask("artist", 0);
  EXPECT_EQ(artist.type, 0);
  EXPECT_EQ(artist.text, "");
  const Answer both = ask("artist-title", 1);
  EXPECT_EQ(both.type, 3);
  EXPECT_EQ(both.text, "");
  EXPECT_EQ(ask("play", 0).value, 0);
  EXPECT_EQ(ask("timeRemain", 1).type, 2);
  EXPECT_EQ(ask("noSuchValue", 0).type, 0);
  EXPECT_EQ(ask("looppos9", 0).type, 0);
  EXPECT_EQ(ask("cuecolor17", 0).type, 0);
  EXPECT_EQ(ask("sampler9loaded", -1).type, 0);
  const Answer cue = ask("cuepos99", 0);
  EXPECT_EQ(cue.type, 1);
  EXPECT_EQ(cue.value, 0);
}

// Decks, node decks and buffers a script passes out of range: no read outside a table, no write outside
// the caller's buffer.
TEST_F(ControllerValues, OutOfRangeDecksAndBuffersAreBounded) {
  bindAll();
  for (int deck : {-1000000, -3, -2, 2, 3, 727, 1000000}) {
    for (const char* name :
         {"bpm",      "currentBpm",    "pitch",       "timeElapsed", "artist-title", "title",
          "play",     "cue",           "keyLock",     "pitchIs0",    "loopSize",     "cuepos3",
          "looppos2", "cuecolor1",     "vumeterDeck", "killLow",     "fxEchoDryWet", "onAir",
          "cfAudio",  "jogWheelAngle", "micKillLow"}) {
      const Answer a = ask(name, deck);
      EXPECT_TRUE(a.type == 0 || (a.type == 3 && a.text.empty()) || a.value == 0 || a.value == -1 ||
                  a.number == 0 || a.number <= -90)
          << name << " deck " << deck;
    }
  }
  // A buffer of one byte is only terminated; none at all is left alone.
  char one = 'x';
  int value = 0, type = 0;
  double number = 0;
  GetEngineValue("artist-title", 0, value, number, &one, 1, type, 0);
  EXPECT_EQ(one, 0);
  GetEngineValue("artist-title", 0, value, number, nullptr, 0, type, 0);
  EXPECT_EQ(type, 3);
}

TEST(ScrollText, ALongTitleSwingsBackAndForthOneCharacterPerCall) {
  resetScrollTextValues();
  const std::string title = "abcdefghijklmnopqrstuvwxyz0123";  // 30 characters
  std::vector<int> offsets;
  char out[64];
  for (int i = 0; i < 30; i++) {
    getScrollTextValue(0, 2, 16, title.c_str(), out, sizeof out);
    offsets.push_back(static_cast<int>(title.find(out)));
    EXPECT_EQ(std::string(out).size(), 16u);
  }
  const std::vector<int> expected = {0,  1,  2,  3,  4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14,
                                     13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3,  2,  1,  0,  1};
  EXPECT_EQ(offsets, expected);
  // A text that fits is shown whole; a new text starts again at its beginning.
  getScrollTextValue(0, 2, 40, title.c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out), title);
  getScrollTextValue(0, 2, 4, "another title", out, sizeof out);
  EXPECT_STREQ(out, "anot");
}

// Titles reach 4 KB and more: the slot keeps them whole, and the text written out fits its buffer and is
// never cut inside a UTF-8 character.
TEST(ScrollText, LongTitlesAndSmallBuffersAndBadSlots) {
  resetScrollTextValues();
  std::string title;
  for (int i = 0; i < 2100; i++) title += "\xc3\xa9";  // 4200 bytes of 'é'
  char out[9];
  getScrollTextValue(1, 0, 3000, title.c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out), std::string("\xc3\xa9\xc3\xa9\xc3\xa9\xc3\xa9"));
  for (int i = 0; i < 5; i++) getScrollTextValue(1, 0, 100, title.c_str(), out, sizeof out);
  EXPECT_EQ(std::string(out).size() % 2, 0u);
  for (int deck : {-1, 2, 99}) {
    for (int kind : {-1, 3}) {
      getScrollTextValue(deck, kind == 3 ? 0 : kind, 4, "abcdefgh", out, sizeof out);
      getScrollTextValue(0, kind, 4, "abcdefgh", out, sizeof out);
      EXPECT_STREQ(out, "abcd");
    }
  }
}

using Notifications = EngineNodesTest;

TEST_F(Notifications, PushedRowsLightButtonsAndWriteTimes) {
  bindAll();
  MainNotification("play", 1, 1, 0, nullptr);
  MainNotification("cuepos3", 0, 44100 * 61 + 4410 * 4, 0, nullptr);
  MainNotification("cueposin", 1, 0, 0, nullptr);
  MainNotification("looppos2", 0, 44100 * 5, 0, nullptr);
  EXPECT_EQ(node<ZRNodeText>("deck_cue3_label", 0)->getCaption().utf8(), "01:01.4");
  EXPECT_EQ(node<ZRNodeText>("deck_cue_in_label", 1)->getCaption().utf8(), "-");
  EXPECT_EQ(node<ZRNodeText>("deck_loop2_label", 0)->getCaption().utf8(), "00:05.0");
  // Out of range: another deck, a cue without a label, a ninth loop or sampler change nothing.
  for (int deck : {-1, 2, 1000, -1000}) {
    MainNotification("cuepos1", deck, 44100, 0, nullptr);
    MainNotification("looppos1", deck, 44100, 0, nullptr);
    MainNotification("play", deck, 1, 0, nullptr);
  }
  MainNotification("cuepos11", 0, 44100, 0, nullptr);
  MainNotification("looppos9", 0, 44100, 0, nullptr);
  MainNotification("sampler9", -1, 1, 1.0, nullptr);
  MainNotification("sampler0", -1, 1, 1.0, nullptr);
  MainNotification(nullptr, 0, 1, 1.0, nullptr);
  EXPECT_EQ(node<ZRNodeText>("deck_cue1_label", 0)->getCaption().utf8(), "-");
  EXPECT_EQ(node<ZRNodeText>("deck_loop1_label", 1)->getCaption().utf8(), "-");
}

struct Row {
  std::string name;
  int deck, value;
  double number;
};
std::vector<Row> rows;
void collect(const char* name, int deck, int value, double number, const char*) {
  rows.push_back({name, deck, value, number});
}

TEST_F(Notifications, ThePollWritesTheGlobalRowsAndBlinks) {
  bindAll();
  resetNotificationBlinks();
  rows.clear();
  installControllerNotificationSink(&collect);
  node<ZRNodeButton>("random", -1)->setSwitchMode(true);
  node<ZRNodeButton>("random", -1)->setSwitched(true, false);
  manager->changeKBFocusToNode(manager->getNode("browser", -1));
  HandleControllerNotifications(manager.get());
  installControllerNotificationSink(nullptr);
  auto find = [](const std::string& name, int deck) -> const Row* {
    for (const Row& r : rows)
      if (r.name == name && r.deck == deck) return &r;
    return nullptr;
  };
  ASSERT_NE(find("random", -1), nullptr);
  EXPECT_EQ(find("random", -1)->value, 1);
  EXPECT_EQ(find("lbMode", -1)->value, 1);
  EXPECT_EQ(find("sampler8", -1)->value, 0);
  EXPECT_EQ(find("pitchIs0", 0)->value, 1);
  // The slow blink is on for 7 polls and off for 7.
  resetNotificationBlinks();
  std::string phases;
  for (int i = 0; i < 28; i++) {
    HandleControllerNotifications(nullptr);
    phases += notificationBlinkSlow() > 0 ? '1' : '0';
  }
  EXPECT_EQ(phases.substr(6, 21), "000000011111110000000");
}

}  // namespace
}  // namespace orvel_test
