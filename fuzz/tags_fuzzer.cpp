// Tags, audio properties and cover pictures of any file, under each container's ending (TagLib picks
// its reader by the ending).

#include <taglib/tdebuglistener.h>

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "tags/zr_tag.h"

namespace {

class Silent : public TagLib::DebugListener {
 public:
  void printMessage(const TagLib::String&) override {}
};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  static Silent silent;
  TagLib::setDebugListener(&silent);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kEndings[] = {"mp3", "flac", "m4a", "ogg", "wma",
                                         "wv",  "ape",  "mpc", "wav", "aiff"};
  orvel_fuzz::FuzzInput input(data, size);
  const char* ending = kEndings[input.byte() % (sizeof kEndings / sizeof kEndings[0])];
  const std::string path =
      orvel_fuzz::writeScratchFile(std::string("input.") + ending, input.data(), input.size());
  if (path.empty()) return 0;
  ZRTag tag;
  if (!tag.open(ZRString(path.c_str()))) return 0;
  ZRString field;
  for (int i = 0; i < kZRTagFieldCount; ++i) tag.getField(i, &field);
  int rate, channels, bits, kbps, lengthMs, fileBytes;
  tag.getAudioProperties(rate, channels, bits, kbps, lengthMs, fileBytes);
  char* picture = nullptr;
  int pictureSize = 0;
  if (tag.getPictureData(&picture, &pictureSize)) delete[] picture;
  tag.close();
  return 0;
}
