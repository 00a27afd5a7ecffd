// The list files a user imports: the same bytes read as an M3U playlist and as the system's own .tvl
// list; each gives its paths or refuses.

#include <cstdint>
#include <string>
#include <vector>

#include "database/zr_list_file_readers.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string m3u = orvel_fuzz::writeScratchFile("list.m3u", data, size);
  const std::string tvl = orvel_fuzz::writeScratchFile("list.tvl", data, size);
  if (m3u.empty() || tvl.empty()) return 0;
  std::vector<ZRString> paths;
  readM3uFile(m3u, &paths);
  paths.clear();
  readTvlFile(tvl, &paths);
  return 0;
}
