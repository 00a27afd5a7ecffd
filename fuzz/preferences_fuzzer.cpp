// preferences.xml as the settings store reads it: a file that loads announces its settings, and each
// setting reads back by its type.

#include <cstdint>
#include <string>
#include <vector>

#include "common/zr_preferences.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = orvel_fuzz::writeScratchFile("preferences.xml", data, size);
  if (path.empty()) return 0;
  std::vector<std::string> keys;
  ZRPreferences store(path.c_str(), [&](void*, const char* key, ZRPreferenceType, int, float, const char*,
                                        ZRPreferences::NotificationSource) {
    if (key != nullptr && keys.size() < 10000) keys.emplace_back(key);
  });
  if (!store.loadAll(nullptr)) return 0;
  for (const std::string& key : keys) {
    int i = 0;
    float f = 0.0f;
    char text[128];
    ZRString s;
    store.getValue(key.c_str(), i);
    store.getValue(key.c_str(), f);
    store.getValue(key.c_str(), text);
    store.getValue(key.c_str(), &s);
  }
  // What loaded saves again (the same store, another file) and loads back.
  const std::string copy = orvel_fuzz::scratchFolder() + "copy.xml";
  orvel_fuzz::fuzzCheck(store.saveAll(copy.c_str()), "a loaded store cannot be saved");
  ZRPreferences again(copy.c_str(), nullptr);
  orvel_fuzz::fuzzCheck(again.loadAll(nullptr), "a saved store does not load back");
  return 0;
}
