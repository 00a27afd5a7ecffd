// database.xml as the library reads it at start-up: any bytes load or are refused whole (moved aside,
// never written over), and a library that loaded saves and loads back to the same number of tracks.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "database/zr_database.h"
#include "database/zr_list.h"
#include "fuzz_support.h"

namespace {

struct Lists {
  ZRDatabase* library = nullptr;
  std::vector<std::unique_ptr<ZRList>> made;
};

ZRList* makeList(const ZRString& name, int32_t type, int32_t subtype, void* user) {
  auto* lists = static_cast<Lists*>(user);
  if (lists->made.size() >= 256) return nullptr;
  lists->made.push_back(std::make_unique<ZRList>(name, true, type, subtype));
  lists->made.back()->setDatabase(lists->library);
  return lists->made.back().get();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A fresh folder per input: a file that fails to load is moved aside and its backup read instead.
  orvel_fuzz::emptyFolder(orvel_fuzz::scratchFolder());
  const std::string path = orvel_fuzz::writeScratchFile("database.xml", data, size);
  if (path.empty()) return 0;
  ZRDatabase library;
  Lists lists;
  lists.library = &library;
  if (library.load(ZRString(path.c_str()), &makeList, &lists)) {
    const int tracks = library.getTrackCount();
    const std::string copy = orvel_fuzz::scratchFolder() + "copy.xml";
    orvel_fuzz::fuzzCheck(library.save(ZRString(copy.c_str()), true), "a loaded library cannot be saved");
    ZRDatabase again;
    orvel_fuzz::fuzzCheck(again.load(ZRString(copy.c_str()), nullptr, nullptr), "a saved library does not load");
    orvel_fuzz::fuzzCheck(again.getTrackCount() == tracks, "a saved library loads back another size");
  }
  // The lists go before the library they read.
  lists.made.clear();
  return 0;
}
