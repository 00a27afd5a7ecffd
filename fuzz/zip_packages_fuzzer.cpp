// A zip archive through both extractors of karaoke packages: the minizip one (only .mp3, .wav and .cdg
// members, folders dropped) and the streaming one (every member, folders and links included). Neither
// may place anything outside the target folder nor make a link there that points out of it.

#include <cstdint>
#include <string>

#include "common/zr_zip_karaoke.h"
#include "common/zr_zip_stream_extractor.h"
#include "fuzz_support.h"
#include "zip_jail.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static orvel_fuzz::ZipJail jail;
  const std::string zip = orvel_fuzz::writeScratchFile("input.zip", data, size);
  if (zip.empty()) return 0;
  const std::string target = orvel_fuzz::ZipJail::target();
  std::string cdgName;
  doesZipContainsCdg(zip.c_str());
  extractZipCdgFile(zip.c_str(), target.c_str(), 1, &cdgName);
  jail.checkAndClean();
  extractZipCdgFile2(zip.c_str(), target.c_str(), 1, &cdgName);
  jail.checkAndClean();
  return 0;
}
