// An overlays file as the overlay list reads it: whatever the bytes, reading ends with a result, a file
// that does not read leaves the list as it was, and a list that reads writes and reads back the same.

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "video_mixing/zr_simple_overlays.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvel_fuzz::emptyFolder(orvel_fuzz::scratchFolder());
  const std::string path = orvel_fuzz::writeScratchFile("overlays.xml", data, size);
  if (path.empty()) return 0;
  ZRSimpleOverlays list;
  list.add(true, -1);
  if (!list.load(ZRString(path), ZRString())) {
    orvel_fuzz::fuzzCheck(list.getTotalItems() == 1, "a file that did not read changed the list");
    return 0;
  }
  const std::string copy = orvel_fuzz::scratchFolder() + "copy.xml";
  orvel_fuzz::fuzzCheck(list.save(ZRString(copy)), "a read list cannot be written");
  ZRSimpleOverlays again;
  orvel_fuzz::fuzzCheck(again.load(ZRString(copy), ZRString()), "a written list does not read back");
  orvel_fuzz::fuzzCheck(again.getTotalItems() == list.getTotalItems(), "overlays lost in a round trip");
  for (int i = 0; i < list.getTotalItems(); ++i) {
    const ZRSimpleOverlays::Overlay* a = list.getItem(i);
    const ZRSimpleOverlays::Overlay* b = again.getItem(i);
    orvel_fuzz::fuzzCheck(
        a->enabled == b->enabled && a->type == b->type && a->align == b->align && a->fontsize == b->fontsize,
        "an overlay changed in a round trip");
  }
  return 0;
}
