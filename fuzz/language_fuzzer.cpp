// Language files: the check that decides whether a file is offered, and loading it into the tables
// every caption is read from.

#include <cstdint>
#include <string>

#include "common/language_tables.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = orvel_fuzz::writeScratchFile("language.xml", data, size);
  if (path.empty()) return 0;
  const ZRString file(path.c_str());
  CheckLanguageFile(file, 0);
  if (LoadLanguage(file)) {
    for (int id = -1; id <= 300; id += 7) getTextName(id);
    for (int action = -1; action <= 730; action += 13) {
      getLabelName(action);
      getHintName(action);
    }
  }
  ClearLanguageTables();
  return 0;
}
