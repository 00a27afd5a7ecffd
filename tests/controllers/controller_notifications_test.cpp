// The controller notification table: its rows, storing, the notification pass with one-shot rows, texts
// cut on a character boundary, writers on two threads; and the bounded script sleep.

#include "controllers/controller_notifications.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/controller_notify.h"
#include "controllers/controller_script_sleep.h"

namespace {

class ControllerNotifications : public ::testing::Test {
 protected:
  void SetUp() override { resetControllerNotifications(); }
  void TearDown() override { resetControllerNotifications(); }
  static ZRControllerNotification row(const char* name, int deck) {
    ZRControllerNotification r;
    EXPECT_TRUE(getCtrlNotif(findCtrlNotif(name, deck), r)) << name << " " << deck;
    return r;
  }
};

TEST_F(ControllerNotifications, RowsInTheirFixedOrder) {
  ASSERT_EQ(getCtrlNotifsTotal(), 277);
  ZRControllerNotification r;
  ASSERT_TRUE(getCtrlNotif(0, r));
  EXPECT_STREQ(r.name, "beatPos");
  EXPECT_EQ(r.deck, 0);
  ASSERT_TRUE(getCtrlNotif(7, r));  // "play" for deck 3
  EXPECT_STREQ(r.name, "play");
  EXPECT_EQ(r.deck, 3);
  ASSERT_TRUE(getCtrlNotif(251, r));
  EXPECT_STREQ(r.name, "sequencer");
  ASSERT_TRUE(getCtrlNotif(252, r));
  EXPECT_STREQ(r.name, "sampler1");
  EXPECT_EQ(r.deck, -1);
  ASSERT_TRUE(getCtrlNotif(276, r));
  EXPECT_STREQ(r.name, "pitchRange");
  EXPECT_FALSE(getCtrlNotif(277, r));
  EXPECT_FALSE(getCtrlNotif(-1, r));
  EXPECT_EQ(findCtrlNotif("justLoaded", 1), 4 * 42 + 1);
  EXPECT_TRUE(row("justLoaded", 1).oneShot);
  EXPECT_TRUE(row("lbBrowsing", -1).oneShot);
  EXPECT_FALSE(row("play", 0).oneShot);
}

TEST_F(ControllerNotifications, StoringFindsDeckAndName) {
  SetControllerNotification("play", 2, 1, 0.5, "x");
  EXPECT_EQ(row("play", 2).value, 1);  // a row for deck 2 exists although only two decks do
  SetControllerNotification("play", -1, 1, 0, nullptr);  // no global "play": nothing
  SetControllerNotification("Play", 0, 1, 0, nullptr);   // names are case-sensitive
  SetControllerNotification("onAir", 0, 1, 0, nullptr);  // a global name with a deck: nothing
  SetControllerNotification(nullptr, 0, 1, 0, nullptr);
  EXPECT_EQ(row("play", 0).value, 0);
  EXPECT_EQ(row("onAir", -1).value, 0);
  SetControllerNotification("artist", 0, 0, 0, "Someone");
  SetControllerNotification("artist", 0, 3, 0, nullptr);  // a null text keeps the text
  EXPECT_STREQ(row("artist", 0).text, "Someone");
  EXPECT_EQ(row("artist", 0).value, 3);
}

TEST_F(ControllerNotifications, PassSendsChangedRowsOnceAndClearsOneShots) {
  SetControllerNotification("play", 1, 1, 0, nullptr);
  SetControllerNotification("justLoaded", 0, 2, 0, nullptr);
  std::vector<std::string> sent;
  auto collect = [&](const ZRControllerNotification& r) {
    sent.push_back(std::string(r.name) + ":" + std::to_string(r.deck) + "=" + std::to_string(r.value));
  };
  EXPECT_EQ(takeChangedControllerNotifications(collect), 2);
  EXPECT_EQ(sent, (std::vector<std::string>{"play:1=1", "justLoaded:0=2"}));
  EXPECT_EQ(row("justLoaded", 0).value, 0);  // one-shot: back to 0 after sending
  EXPECT_EQ(row("play", 1).lastSentValue, 1);
  sent.clear();
  EXPECT_EQ(takeChangedControllerNotifications(collect), 0);  // nothing changed since
  SetControllerNotification("play", 1, 1, 0, "");              // the same values again
  EXPECT_EQ(takeChangedControllerNotifications(collect), 0);
}

TEST_F(ControllerNotifications, LongTextsAreCutOnACharacterBoundary) {
  // 510 ASCII bytes then "é" (2 bytes): the character would end at byte 512, past the 511 kept.
  std::string text(510, 'a');
  text += "\xC3\xA9tail";
  SetControllerNotification("title", 0, 0, 0, text.c_str());
  const ZRControllerNotification r = row("title", 0);
  EXPECT_EQ(std::strlen(r.text), 510u);
  EXPECT_EQ(std::string(r.text), std::string(510, 'a'));
  std::string fits(509, 'b');
  fits += "\xC3\xA9";  // ends exactly at byte 511
  SetControllerNotification("title", 0, 0, 0, fits.c_str());
  EXPECT_EQ(std::string(row("title", 0).text), fits);
}

TEST_F(ControllerNotifications, WritersOnTwoThreadsAndThePassAgree) {
  installControllerNotificationTable();
  std::thread render([] {
    for (int i = 0; i < 20000; ++i) notifyControllers("title", 1, i, i, (i % 2) ? "odd text" : "even");
  });
  int passes = 0;
  for (int i = 0; i < 20000; ++i) {
    notifyControllers("artist", 1, i, i, (i % 2) ? "odd text" : "even");
    if (i % 100 == 0) passes += takeChangedControllerNotifications([](const ZRControllerNotification& r) {
      // A row is always whole: its text matches its value.
      EXPECT_STREQ(r.text, (r.value % 2) ? "odd text" : "even");
    });
  }
  render.join();
  installControllerNotificationSink(nullptr);
  EXPECT_GT(passes, 0);
  EXPECT_EQ(row("title", 1).value, 19999);
  EXPECT_EQ(row("artist", 1).value, 19999);
}

TEST(ControllerScriptSleep, SleepIsBounded) {
  const auto start = std::chrono::steady_clock::now();
  callDj_Sleep(60000, 0, -1);
  callDj_Sleep(-5, 0, -1);
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GE(took, std::chrono::milliseconds(kMaxScriptSleepMs));
  EXPECT_LT(took, std::chrono::seconds(5));
}

}  // namespace
