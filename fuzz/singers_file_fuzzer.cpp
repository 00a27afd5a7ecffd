// singers.xml as the singer history reads it: whatever the bytes, reading ends with a result, an
// unreadable file is moved aside rather than lost, and a history that loads writes and reads back with
// the same ids, names and next id.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "database/zr_singer_name_history.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = orvel_fuzz::writeScratchFile("singers.xml", data, size);
  if (path.empty()) return 0;
  ZRSingerNameHistory history{ZRString(path)};
  if (!history.load()) {
    // The unreadable input was moved aside: it must still be there, and goes now.
    bool kept = false;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(orvel_fuzz::scratchFolder(), error)) {
      if (entry.path().filename().string().rfind("singers.xml.unreadable-", 0) != 0) continue;
      kept = true;
      std::filesystem::remove(entry.path(), error);
    }
    orvel_fuzz::fuzzCheck(kept || std::filesystem::exists(path, error), "an unreadable singers.xml was lost");
    return 0;
  }
  const std::string copy = orvel_fuzz::scratchFolder() + "copy.xml";
  orvel_fuzz::fuzzCheck(history.save(ZRString(copy)), "a loaded history cannot be written");
  ZRSingerNameHistory again{ZRString(copy)};
  orvel_fuzz::fuzzCheck(again.load(), "a written history does not read back");
  orvel_fuzz::fuzzCheck(again.idNext() == history.idNext(), "the next id changed in a round trip");
  orvel_fuzz::fuzzCheck(again.idNext() >= 1, "the next id is not positive");
  const std::vector<ZRSingerNameHistory::Singer> before = history.singers();
  const std::vector<ZRSingerNameHistory::Singer> after = again.singers();
  orvel_fuzz::fuzzCheck(before.size() == after.size(), "singers lost in a round trip");
  for (size_t i = 0; i < before.size() && i < after.size(); ++i) {
    orvel_fuzz::fuzzCheck(before[i].id == after[i].id, "a singer's id changed in a round trip");
    orvel_fuzz::fuzzCheck(before[i].id < again.idNext() || again.idNext() == 2147483647,
                          "an id at or above the next id");
  }
  return 0;
}
