// favorites.xml as the browser reads it: whatever the bytes, reading ends with a result, and the
// favourites that load write and read back in the same number, with the same types.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "gui_nodes/zr_browser_favorites_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = orvel_fuzz::writeScratchFile("favorites.xml", data, size);
  if (path.empty()) return 0;
  std::vector<TZRFavorite> favorites;
  if (!readFavoritesFile(ZRString(path), &favorites)) return 0;
  const std::string copy = orvel_fuzz::scratchFolder() + "copy.xml";
  orvel_fuzz::fuzzCheck(writeFavoritesFile(ZRString(copy), favorites), "loaded favourites cannot be written");
  std::vector<TZRFavorite> again;
  orvel_fuzz::fuzzCheck(readFavoritesFile(ZRString(copy), &again), "written favourites do not read back");
  orvel_fuzz::fuzzCheck(again.size() == favorites.size(), "favourites lost in a round trip");
  for (size_t i = 0; i < favorites.size(); ++i) {
    orvel_fuzz::fuzzCheck(again[i].type == favorites[i].type, "a favourite's type changed in a round trip");
  }
  return 0;
}
