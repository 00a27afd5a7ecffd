#pragma once
// What the controllers and their scripts reach above this layer: the skin's controls and nodes, the engine
// values, the settings, the learned MIDI shortcuts and the main thread. The application shell installs
// the real host at start-up; tests install fakes. Without a host every call does nothing and answers
// "none".
//
// Threads: the host is installed on the main thread before the controllers start and removed after they
// stop; its functions are called on the render thread (the controller tick) unless noted.

#include <functional>
#include <string>

struct TJSParam;

class ZRControllerHost {
 public:
  virtual ~ZRControllerHost() = default;

  // Presses or moves the skin control of action id for deck like a user: type 1 press with value (-1
  // press and release), 2 press and release, 3 set switched, 4 move a slider to a 0..127 value.
  virtual void pressAction(int type, int actionId, int deck, int value, int extra) = 0;
  // Runs the named script handler (value, param, deck); false when the shell has no such handler.
  virtual bool callHandler(const char* handler, int value, int param, int deck) = 0;
  virtual int callNode(const char* name, int deck, const char* command, int first, int second, int third,
                       const char* text) = 0;
  // type 0 unknown name, 1 value, 2 number, 3 text.
  virtual void getValue(const char* name, int deck, int& value, double& number, std::string& text, int& type,
                        int scrollLength) = 0;
  virtual int getId(const char* name, int deck) = 0;
  // Settings: false when the store does not exist (yet) or the key is unknown.
  virtual bool hasSettings() = 0;
  virtual bool getSetting(const char* key, TJSParam& value) = 0;
  virtual bool setSetting(const char* key, const TJSParam& value) = 0;
  virtual bool setAudioDevice(const std::string& candidates) = 0;
  // A MIDI message of an input without a script: the learned MIDI shortcuts.
  virtual void unmatchedMidi(int status, int channel, int data1, int data2, int offsetMs) = 0;
  // Runs work on the main thread later (dialogs, settings, skin changes).
  virtual void runOnMainThread(std::function<void()> work) = 0;
};

void setControllerHost(ZRControllerHost* host);
ZRControllerHost* controllerHost();
