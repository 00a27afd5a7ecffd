#pragma once
// How the user actions tell the controllers about engine state: a row of the controller notification table
// (controllers/controller_notifications.h), which sits above the actions and connects itself here at
// start-up. Until it has, notifications go nowhere.
//
// Any thread but the audio thread.

using ZRNotificationSink = void (*)(const char* name, int deck, int value, double doubleValue, const char* text);

// Stores the state of name for deck (-1 global); text may be null (the row's text stays as it was).
void notifyControllers(const char* name, int deck, int value, double doubleValue = 0.0,
                       const char* text = nullptr);

// Null disconnects.
void installControllerNotificationSink(ZRNotificationSink sink);
