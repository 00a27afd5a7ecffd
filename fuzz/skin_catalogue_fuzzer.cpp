// Skin catalogue heads: any bytes as a skin file are listed or skipped, and for a listed skin the image
// chosen for any window stays inside the skin's folder (absolute names and ".." are refused).

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "gui/zr_skin_manager.h"

namespace {

bool climbsOut(const std::string& relative) {
  size_t start = 0;
  while (true) {
    const size_t end = relative.find('/', start);
    if (relative.substr(start, end == std::string::npos ? std::string::npos : end - start) == "..")
      return true;
    if (end == std::string::npos) return false;
    start = end + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = orvel_fuzz::writeScratchFile("skin.xml", data, size);
  if (path.empty()) return 0;
  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(orvel_fuzz::scratchFolder().c_str()), "[u]");
  for (const std::string& key : catalogue.getKeys()) {
    for (const int width : {800, 1280, 1920, 4000}) {
      ZRString xml, image;
      int w = 0, h = 0, parts = 0;
      catalogue.getBestSkinDetailsForResolution(key, width, width * 9 / 16, xml, image, w, h, parts);
      const std::string chosen = image.utf8();
      const std::string folder = orvel_fuzz::scratchFolder();
      orvel_fuzz::fuzzCheck(chosen.compare(0, folder.size(), folder) == 0,
                            "the image is outside the skin's folder");
      orvel_fuzz::fuzzCheck(!climbsOut(chosen.substr(folder.size())),
                            "the image name climbs out of the skin's folder");
    }
    std::string best;
    catalogue.getBestSkinForResolution("Orvel", 1920, 1080, best);
  }
  return 0;
}
