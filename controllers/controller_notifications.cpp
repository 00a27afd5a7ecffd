#include "controllers/controller_notifications.h"

#include <array>
#include <cstring>
#include <mutex>

#include "actions_dj/controller_notify.h"
#include "common/zr_utf8_cut.h"

namespace {

constexpr const char* kDeckNames[] = {
    "beatPos",    "play",       "cue",        "keyLock",    "pitchIs0",   "loopSize",   "loopIn",
    "looping",    "loopBlink",  "monitor",    "onbeat",     "cuepos1",    "cuepos2",    "cuepos3",
    "cuepos4",    "cuepos5",    "cuepos6",    "cuepos7",    "cuepos8",    "cuepos9",    "cuepos10",
    "cuepos11",   "cuepos12",   "cuepos13",   "cuepos14",   "cuepos15",   "cuepos16",   "cueposin",
    "cueposout",  "looppos1",   "looppos2",   "looppos3",   "looppos4",   "looppos5",   "looppos6",
    "looppos7",   "looppos8",   "artist",     "title",      "analogIn",   "timecodeIn", "brake",
    "justLoaded", "slicepos",   "reverse",    "fxPan",      "fxFlanger",  "fxPhaser",   "fxReverb",
    "fxEcho",     "fxDelay",    "fxBeatwaw",  "fxCutoffLP", "fxCutoffHP", "fxBitCrusher", "fxTremolo",
    "killLow",    "killMid",    "killHigh",   "micKillLow", "micKillMid", "micKillHigh", "sequencer",
};
constexpr const char* kGlobalNames[] = {
    "sampler1",      "sampler2",      "sampler3",      "sampler4",      "sampler5",      "sampler6",
    "sampler7",      "sampler8",      "samplerBlink1", "samplerBlink2", "samplerBlink3", "samplerBlink4",
    "samplerBlink5", "samplerBlink6", "samplerBlink7", "samplerBlink8", "onAir",         "talkOver",
    "autoDj",        "random",        "recording",     "loopMode",      "lbMode",        "lbBrowsing",
    "pitchRange",
};
constexpr int kDeckNameCount = sizeof kDeckNames / sizeof kDeckNames[0];
constexpr int kGlobalNameCount = sizeof kGlobalNames / sizeof kGlobalNames[0];
static_assert(kDeckNameCount * 4 + kGlobalNameCount == kControllerNotificationRows);

struct Table {
  std::mutex lock;
  std::array<ZRControllerNotification, kControllerNotificationRows> rows;

  Table() { reset(); }
  void reset() {
    for (int i = 0; i < kDeckNameCount * 4; ++i) {
      rows[i] = ZRControllerNotification{};
      rows[i].name = kDeckNames[i / 4];
      rows[i].deck = i % 4;
      rows[i].oneShot = std::strcmp(rows[i].name, "justLoaded") == 0;
    }
    for (int i = 0; i < kGlobalNameCount; ++i) {
      ZRControllerNotification& row = rows[kDeckNameCount * 4 + i];
      row = ZRControllerNotification{};
      row.name = kGlobalNames[i];
      row.deck = -1;
      row.oneShot = std::strcmp(row.name, "lbBrowsing") == 0;
    }
  }
  int find(const char* name, int deck) const {
    if (name == nullptr) return -1;
    for (int i = 0; i < kControllerNotificationRows; ++i) {
      if (rows[i].deck == deck && std::strcmp(rows[i].name, name) == 0) return i;
    }
    return -1;
  }
};

Table& table() {
  // Never destroyed: scripts and the GUI tick may still notify while static objects go away at exit.
  static Table* instance = new Table;
  return *instance;
}

void copyText(char (&to)[ZRControllerNotification::kTextBytes], const char* from) {
  const size_t n = utf8CutLength(from, std::strlen(from), ZRControllerNotification::kTextBytes - 1);
  std::memcpy(to, from, n);
  to[n] = '\0';
}

}  // namespace

void SetControllerNotification(const char* name, int deck, int value, double doubleValue, const char* text) {
  Table& t = table();
  std::lock_guard guard(t.lock);
  const int index = t.find(name, deck);
  if (index < 0) return;
  ZRControllerNotification& row = t.rows[index];
  row.value = value;
  row.doubleValue = doubleValue;
  if (text != nullptr) copyText(row.text, text);
}

bool getCtrlNotif(int index, ZRControllerNotification& out) {
  if (index < 0 || index >= kControllerNotificationRows) return false;
  Table& t = table();
  std::lock_guard guard(t.lock);
  out = t.rows[index];
  return true;
}

int getCtrlNotifsTotal() { return kControllerNotificationRows; }

int findCtrlNotif(const char* name, int deck) {
  Table& t = table();
  std::lock_guard guard(t.lock);
  return t.find(name, deck);
}

int takeChangedControllerNotifications(const std::function<void(const ZRControllerNotification&)>& send) {
  Table& t = table();
  int sent = 0;
  for (int i = 0; i < kControllerNotificationRows; ++i) {
    ZRControllerNotification copy;
    {
      std::lock_guard guard(t.lock);
      ZRControllerNotification& row = t.rows[i];
      if (row.value == row.lastSentValue && row.doubleValue == row.lastSentDoubleValue &&
          std::strcmp(row.text, row.lastSentText) == 0) {
        continue;
      }
      copy = row;
      if (row.oneShot) {
        row.value = row.lastSentValue = 0;
        row.doubleValue = row.lastSentDoubleValue = 0.0;
        row.text[0] = row.lastSentText[0] = '\0';
      } else {
        row.lastSentValue = row.value;
        row.lastSentDoubleValue = row.doubleValue;
        std::memcpy(row.lastSentText, row.text, sizeof row.text);
      }
    }
    ++sent;
    if (send) send(copy);
  }
  return sent;
}

void resetControllerNotifications() {
  Table& t = table();
  std::lock_guard guard(t.lock);
  t.reset();
}

void installControllerNotificationTable() { installControllerNotificationSink(&SetControllerNotification); }
