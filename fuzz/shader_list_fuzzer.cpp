// shaders.xml as the shader layer reads it: whatever the bytes, reading ends with a result, and a list
// that loads writes and reads back the same.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "video_mixing/zr_shader_list_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<ZRShaderListEntry> entries;
  int current = -1;
  if (!parseShaderList(reinterpret_cast<const char*>(data), size, entries, current)) return 0;
  const std::string body = "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n" +
                           shaderListBody(entries, current);
  std::vector<ZRShaderListEntry> again;
  int currentAgain = 0;
  orvel_fuzz::fuzzCheck(parseShaderList(body.data(), body.size(), again, currentAgain),
                        "a written shader list does not read back");
  orvel_fuzz::fuzzCheck(again.size() == entries.size() && currentAgain == current,
                        "shaders lost in a round trip");
  return 0;
}
