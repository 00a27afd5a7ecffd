#pragma once
// The controller notification table: engine state that controller scripts and the skin's script are told
// about (a deck plays, a loop is set, a sampler is loaded ...), one row per name and deck in a fixed order
// that lives for the whole process. Writers store a value with SetControllerNotification; storing sends
// nothing. The notification pass of the GUI tick takes the rows whose value, double or text differ from
// what was last sent (takeChangedControllerNotifications) and hands them to the controllers.
//
// Rows 0..251: 63 per-deck names, each four times in a row for decks 0..3 (row = 4 x name + deck); rows
// 252..276: 25 global names with deck -1. The four "justLoaded" rows and "lbBrowsing" are one-shot: once
// sent, their value, double and texts go back to zero and empty.
//
// Threads: writers run on the main thread and on the render thread (GUI tick, MIDI, scripts), so every row
// is read and written under the table's lock; a row handed out is a copy. The lock is never held while a
// caller's function runs.

#include <functional>

struct ZRControllerNotification {
  static constexpr int kTextBytes = 512;  // 511 bytes of UTF-8 and the terminator
  const char* name = nullptr;
  int deck = -1;  // 0..3 per deck, -1 global
  int value = 0;
  int lastSentValue = 0;
  double doubleValue = 0.0;
  double lastSentDoubleValue = 0.0;
  char text[kTextBytes] = {0};
  char lastSentText[kTextBytes] = {0};
  int oneShot = 0;
};

inline constexpr int kControllerNotificationRows = 277;

// Stores into the first row whose deck equals deck and whose name equals name (case-sensitive): the int
// and double values, and the text when it is not null (cut at 511 bytes without splitting a UTF-8
// character). The last-sent fields are not touched; a name or deck without a row changes nothing.
void SetControllerNotification(const char* name, int deck, int value, double doubleValue, const char* text);

// A copy of row index (0..276); false outside the table.
bool getCtrlNotif(int index, ZRControllerNotification& out);
// 277.
int getCtrlNotifsTotal();
// The row index of name and deck, -1 when none.
int findCtrlNotif(const char* name, int deck);

// The notification pass: for every row whose value, double or text differs from the last sent ones, in
// table order, remembers them as sent (or clears the row when it is one-shot) and then calls send with a
// copy of the row as it was before. Returns the number of rows handed out.
int takeChangedControllerNotifications(const std::function<void(const ZRControllerNotification&)>& send);

// Puts every row back to zero and empty (sent fields too); for a fresh start of the controllers and tests.
void resetControllerNotifications();

// Connects the user actions' notification hook to this table (the start-up of the application and tests
// call it once; calling it again changes nothing).
void installControllerNotificationTable();
