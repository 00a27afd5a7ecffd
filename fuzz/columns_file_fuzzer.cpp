// The track table's columns files as the table reads them: whatever the bytes, the columns that load are
// each a known field once, with widths bounded by their column (never a drawing context of any size), and
// what loaded writes and reads back as the same columns.

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "gui_nodes/zr_playlist_columns.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string path = orvel_fuzz::writeScratchFile("columns.xml", data, size);
  if (path.empty()) return 0;
  TZRColumnsFile file;
  if (!readColumnsFile(ZRString(path), &file)) return 0;
  orvel_fuzz::fuzzCheck(file.columns.size() <= 12, "more columns than fields");
  bool seen[12] = {};
  for (const TZRColumn& c : file.columns) {
    orvel_fuzz::fuzzCheck(c.tagField >= 0 && c.tagField < 12, "an unknown field loaded");
    orvel_fuzz::fuzzCheck(!seen[c.tagField], "a field loaded twice");
    seen[c.tagField] = true;
    orvel_fuzz::fuzzCheck(c.width >= 30 && c.width <= 1000, "a width out of bounds");
    orvel_fuzz::fuzzCheck(c.minWidth >= 10 && c.maxWidth <= 1000 && c.maxWidth >= 10, "bounds out of bounds");
    orvel_fuzz::fuzzCheck(c.align >= 0 && c.align <= 8, "an unknown alignment");
  }
  const std::string copy = orvel_fuzz::scratchFolder() + "copy.xml";
  orvel_fuzz::fuzzCheck(writeColumnsFile(ZRString(copy), file.columns, file.sortBlocked, file.resizeBlocked),
                        "loaded columns cannot be written");
  TZRColumnsFile again;
  orvel_fuzz::fuzzCheck(readColumnsFile(ZRString(copy), &again), "written columns do not read back");
  orvel_fuzz::fuzzCheck(again.columns.size() == file.columns.size(), "columns lost in a round trip");
  for (size_t i = 0; i < file.columns.size(); ++i) {
    orvel_fuzz::fuzzCheck(again.columns[i].tagField == file.columns[i].tagField &&
                              again.columns[i].width == file.columns[i].width &&
                              again.columns[i].visible == file.columns[i].visible,
                          "a column changed in a round trip");
  }
  return 0;
}
