#pragma once
// Controller script files: every supported controller is described by a JavaScript file that says which
// devices it serves (USB ids, MIDI port names, a SysEx identity string, a HID name) and reacts to the
// device's input, to engine notifications and to a periodic tick. ZRControllerScript holds one file's
// identity and its engine (created on demand, unloaded on every reconnect of the controllers);
// ZRControllerScripts is the table of scripts found by the scan, user scripts first.
//
// Limits: a file holds at most kMaxControllerScriptBytes (a longer one is refused), the table
// kMaxControllerScripts scripts (the scan stops there), identity texts kControllerIdentityBytes - 1 bytes
// (longer ones are cut on a character boundary). An empty SysEx identity string counts as none: it would
// match every device. A script that fails to load again is retried with growing pauses (1 s doubling to
// 60 s) and not on every tick.
//
// Threads: a script and the table are used by one thread at a time (the main thread at start-up and
// shut-down, the render thread's tick otherwise); the matching tests only read the identity, which does not
// change after the scan.

#include <memory>
#include <string>
#include <vector>

#include "controllers/zr_javascript.h"

inline constexpr int kMaxControllerScripts = 256;
inline constexpr int kMaxControllerScriptBytes = 131071;
inline constexpr int kControllerIdentityBytes = 128;
inline constexpr int kDeviceTypeMidi = 0;
inline constexpr int kDeviceTypeHid = 1;

class ZRControllerScript;
// Defines the native functions of a freshly made engine.
using ZRDefineScriptFunctions = void (*)(ZRControllerScript* script);

class ZRControllerScript {
 public:
  // Clears the object, keeps path and define, and loads the script reading its identity.
  ZRControllerScript(std::string path, ZRDefineScriptFunctions define);
  ~ZRControllerScript();
  ZRControllerScript(const ZRControllerScript&) = delete;
  ZRControllerScript& operator=(const ZRControllerScript&) = delete;

  // (Re)makes the engine from the file; firstLoad also reads the identity. False (with a log line naming
  // the path) when the file cannot be read, is too long, does not evaluate or has the wrong language
  // version; the identity then stays cleared.
  bool load(bool firstLoad);
  // Deletes the engine; the identity stays.
  void unload();
  // Deletes the engine and the path and clears the identity.
  void clear();
  // The engine, reloaded (without identity) when unloaded; null when that fails or a retry is not due.
  ZRJavaScript* getScript();
  ZRJavaScript* getScript(double nowSeconds);
  bool loaded() const { return engine_ != nullptr; }

  int getDeviceType() const { return type_; }
  const std::string& getFriendlyName() const { return friendlyName_; }
  const std::string& path() const { return path_; }
  int fileVersion() const { return fileVersion_; }

  // Both USB-id tests are false when either id is 0 or less.
  bool matchesMIDI_USB(int vendorId, int productId) const;
  bool matchesHID_USB(int vendorId, int productId) const;
  // The script's identity string 1, else 2, is a prefix of identityHex; empty strings match nothing.
  bool matchesMIDI_sysexid(const std::string& identityHex) const;
  bool matchesMIDI_nameInput(const std::string& name) const;
  bool matchesMIDI_nameOutput(const std::string& name) const;

  // The identity as read (for the preferences and tests).
  struct Identity {
    int midiVid = 0, midiPid = 0, midiVid2 = 0, midiPid2 = 0;
    int hidVid = 0, hidPid = 0, hidVid2 = 0, hidPid2 = 0;
    std::string sysexId = "none", sysexId2 = "none";
    std::string inputName = "none", inputName2 = "none";
    std::string outputName = "none", outputName2 = "none";
    std::string hidName = "none";
  };
  const Identity& identity() const { return identity_; }

 private:
  void clearIdentity(int type);
  void readIdentity();

  std::string path_;
  std::unique_ptr<ZRJavaScript> engine_;
  ZRDefineScriptFunctions define_;
  int type_ = -1;
  int fileVersion_ = 0;
  std::string friendlyName_ = "none";
  Identity identity_;
  int failures_ = 0;
  double retryAt_ = 0.0;
};

class ZRControllerScripts {
 public:
  // Loads every ".js" file of folder (sorted by name ignoring case, hidden files skipped) into the next
  // slots, unloading each engine again; a script that failed keeps its slot with a cleared identity.
  // Returns the scripts added.
  int scanFolderForControllerScripts(const std::string& folder, ZRDefineScriptFunctions define);
  int totalScripts() const { return static_cast<int>(scripts_.size()); }
  // Null outside 0..total-1.
  ZRControllerScript* at(int index) const;
  void unloadAll();
  void clear() { scripts_.clear(); }

 private:
  std::vector<std::unique_ptr<ZRControllerScript>> scripts_;
};

// The process's table (the controllers' start-up fills it).
ZRControllerScripts& controllerScripts();
