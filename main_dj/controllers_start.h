#pragma once
// The application's side of the hardware controllers: the host through which controller scripts reach the
// skin's controls, the engine values, the settings, the learned MIDI shortcuts and the main thread; the
// start (scripts from the user's Controllers folder, then the resources' "controllers" folder, then every
// MIDI input and HID device), the stop and the skin script's hooks. (The notification push, which reaches
// the controllers too, is the application's: app/controller_notifications_push.h.)
//
// Threads: startControllers and stopControllers on the main thread; the host's functions on the render
// thread (the controller tick), work for the main thread posted there.

// Installs the host and hooks and starts the controllers. Calling it again does nothing until stopped.
void startControllers();
void stopControllers();
