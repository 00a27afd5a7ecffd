#pragma once
// The engine's side of the controller notifications: every 0.065 s the GUI tick refreshes the rows of the
// controller notification table that come from engine state (recording, random, the list focus, the
// sampler slots, each deck's key lock, pitch, loops, cues, play and cue with their blinking) and then has
// the changed rows pushed to the controllers. The skin's own reaction to a pushed row (MainNotification)
// lights the play, cue and pitch buttons and writes the cue and loop times into their labels.
//
// The table and the controllers sit above this layer: they connect through two functions installed at
// start-up (setControllerNotificationWriter, setControllerNotificationPusher); until then rows go nowhere
// and nothing is pushed.
//
// Threads: the render thread (the GUI tick); MainNotification runs there too, from the push.

class ZRNodeManager;

// Stores a row's current state (text may be null: the row's text stays).
using ZRNotificationWriter = void (*)(const char* name, int deck, int value, double number, const char* text);
// Pushes every changed row, calling MainNotification for each before the controllers get it.
using ZRNotificationPusher = void (*)();
void setControllerNotificationWriter(ZRNotificationWriter writer);
void setControllerNotificationPusher(ZRNotificationPusher pusher);

// Stores a row through the installed writer (nothing without one). Any thread but the audio thread.
void writeControllerNotification(const char* name, int deck, int value, double number, const char* text);

// The poll (the GUI tick, every 0.065 s).
void HandleControllerNotifications(ZRNodeManager* manager);
// The skin's reaction to a pushed row. Deck outside 0..1 and numbers outside their ranges change nothing.
void MainNotification(const char* name, int deck, int value, double number, const char* text);
void MainNotification(ZRNodeManager* manager, const char* name, int deck, int value, double number);

// The blink phases (for tests): positive = on.
int notificationBlinkSlow();
int notificationBlinkFast();
void resetNotificationBlinks();
