#pragma once
// The engine's side of the controller notifications: every 0.065 s the GUI tick refreshes the rows of the
// controller notification table that come from engine state (recording, random, the list focus, the
// sampler slots, each deck's key lock, pitch, loops, cues, play and cue with their blinking) and then has
// the changed rows pushed to the controllers. The skin's own reaction to a pushed row (MainNotification)
// lights the play, cue and pitch buttons and writes the cue and loop times into their labels.
//
// Rows are stored through the user actions' notification hook (actions_dj/controller_notify.h), which the
// table connects at start-up. The push belongs to the controllers, which sit above this layer: they install
// it with setControllerNotificationPusher; until then nothing is pushed.
//
// Threads: the render thread (the GUI tick); MainNotification runs there too, from the push.

class ZRNodeManager;

// Pushes every changed row, calling MainNotification for each before the controllers get it.
using ZRNotificationPusher = void (*)();
void setControllerNotificationPusher(ZRNotificationPusher pusher);

// The poll (the GUI tick, every 0.065 s).
void HandleControllerNotifications(ZRNodeManager* manager);
// The skin's reaction to a pushed row. Deck outside 0..1 and numbers outside their ranges change nothing.
void MainNotification(const char* name, int deck, int value, double number, const char* text);
void MainNotification(ZRNodeManager* manager, const char* name, int deck, int value, double number);

// The blink phases (for tests): positive = on.
int notificationBlinkSlow();
int notificationBlinkFast();
void resetNotificationBlinks();
