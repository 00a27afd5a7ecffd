#pragma once
// Connects the controller notification table to the engine's poll: the user actions' notifications are
// stored in the table, and every changed row the GUI tick's poll finds reaches the skin (PLAY and CUE lit,
// the cue and loop times in their labels) through MainNotification, then the controllers and the skin
// script (ZRHardwareController::SendNotificationToAll).
//
// Threads: connect on the main thread before the engine starts; the push runs on the render thread (the
// GUI tick).

void connectControllerNotifications();
