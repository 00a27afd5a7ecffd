#pragma once
// ZRPreferences: every setting of the system as a typed key-value pair
// (integer, float or text of at most 127 bytes), saved to preferences.xml and
// read back. The store knows nothing about what keys mean: each change, from
// program code, the preferences dialog or a skin control, goes through
// setValue, which calls the one change callback with the key, the new value
// and who made the change.
//
// preferences.xml: the XML header of every system file, then
//   <preferences version="100">
//   \t<pref name="KEY" value="VALUE" type="T" />     (one per setting, keys in byte order)
//   </preferences>
// with floats in fixed notation with 4 decimals and '.' as decimal point.
//
// Threads: any thread may read and set values (the main thread's dialog, the
// render thread's skin controls and scripts): the settings sit behind the
// store's own lock, which is never held while the callback runs. The callback
// runs on the thread that called setValue. loadAll and saveAll are for the
// main thread.

#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "common/zr_string.h"

// The type of a setting; also the type attribute in the file.
enum ZRPreferenceType : int {
  ZRPreferenceTypeNone = 0,  // key not stored
  ZRPreferenceTypeInt = 1,
  ZRPreferenceTypeFloat = 2,
  ZRPreferenceTypeString = 3,
};

class ZRPreferences {
 public:
  // Who changed a value, as the callback is told.
  enum NotificationSource : int {
    NotificationLoaded = 0,   // announcement after loadAll: every stored setting once
    NotificationProgram = 1,  // program code, defaults, and the values read by loadAll
    NotificationDialog = 2,   // a control of the preferences dialog
    NotificationSkin = 3,     // a control in the skin
  };

  // Longest text (and key read from a file) in bytes.
  static constexpr int kMaxTextBytes = 127;

  struct TZRSetting {
    ZRPreferenceType type = ZRPreferenceTypeNone;
    int intValue = 0;
    float floatValue = 0.0f;
    char strValue[kMaxTextBytes + 1] = {0};
  };

  // (store, key, type, intValue, floatValue, text, source); the value fields
  // are as stored (the two unused ones 0 and "").
  using ChangeCallback = std::function<void(void* store, const char* key, ZRPreferenceType type, int intValue,
                                            float floatValue, const char* text, NotificationSource source)>;

  // An empty store bound to the file path (UTF-8, may be null) and the
  // callback (may be empty); not dirty.
  ZRPreferences(const char* path, ChangeCallback callback);
  // Does not save.
  ~ZRPreferences();
  ZRPreferences(const ZRPreferences&) = delete;
  ZRPreferences& operator=(const ZRPreferences&) = delete;

  // Sets a setting. With onlyIfMissing non-zero and the key present (of any
  // type) nothing happens. Otherwise the setting is replaced, the store turns
  // dirty and the callback is called, also when the value did not change.
  // A null key is ignored.
  void setValue(const char* key, int value, int onlyIfMissing, NotificationSource source);
  void setValue(const char* key, float value, int onlyIfMissing, NotificationSource source);
  // A null text is the empty text; a longer text keeps its first 127 bytes,
  // cut before a character that would not fit whole.
  void setValue(const char* key, const char* text, int onlyIfMissing, NotificationSource source);
  // The text as UTF-8 (one that does not fit in 4096 bytes is the empty text).
  void setValue(const char* key, const ZRString& text, int onlyIfMissing, NotificationSource source);

  // true and the value when the key is stored with that type; otherwise false
  // and 0 / "" (the ZRString form leaves out unchanged).
  bool getValue(const char* key, int& out) const;
  bool getValue(const char* key, float& out) const;
  // out must hold 128 bytes; a null out gives false.
  bool getValue(const char* key, char* out) const;
  bool getValue(const char* key, ZRString* out) const;
  // The key's type; ZRPreferenceTypeNone when not stored.
  ZRPreferenceType getValueType(const char* key) const;

  // Replaces all settings from the file (the own path when null), telling
  // the callback nothing while reading and then announcing every setting once
  // with NotificationLoaded in key order. false, with the store unchanged,
  // when the file is missing, does not parse (logged) or is not a
  // preferences file (logged). The store stays dirty.
  bool loadAll(const char* path);
  // Writes the file (the own path when null) when dirty; true also when there
  // was nothing to write. The old file is replaced only by a complete new
  // one: false, with the old file intact and the store still dirty, when the
  // file cannot be written.
  bool saveAll(const char* path);

 private:
  void store(const char* key, const TZRSetting& setting, int onlyIfMissing, NotificationSource source);
  // A copy of the key's setting when it is stored with that type.
  bool find(const char* key, ZRPreferenceType type, TZRSetting& out) const;

  mutable std::mutex lock_;  // guards settings_, dirty_, changes_ and callback_
  bool dirty_ = false;
  unsigned long long changes_ = 0;
  std::string path_;
  bool hasPath_ = false;
  ChangeCallback callback_;
  std::map<std::string, TZRSetting> settings_;
};
