// An iTunes library file as the import reads it: any bytes give a library that is not ok, or tracks and
// playlists whose import into a list stays within them.

#include <cstdint>
#include <string>

#include "database/zr_database.h"
#include "database/zr_itunes.h"
#include "database/zr_list.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = orvel_fuzz::writeScratchFile("iTunes Music Library.xml", data, size);
  if (path.empty()) return 0;
  ZRiTunes itunes{ZRString(path.c_str())};
  if (!itunes.isOk()) return 0;
  ZRDatabase library;
  {
    ZRList list(ZRString("import"), false, 210, 0);
    list.setDatabase(&library);
    itunes.importIntoList(&list, -1);
    const int playlists = static_cast<int>(itunes.playlists().size());
    for (int n = 0; n < playlists && n < 16; ++n) {
      ZRString name;
      int32_t id = 0;
      orvel_fuzz::fuzzCheck(itunes.getListDetails(n, &name, &id), "an offered playlist has no details");
      itunes.importIntoList(&list, n);
    }
  }
  return 0;
}
