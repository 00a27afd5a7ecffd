#pragma once
// Shared by the harnesses of the media layer.

#include <string>

class ZRCodecBase;

namespace orvel_fuzz {

// FFmpeg counted as used for the whole process, with its own messages silenced.
void quietFFmpeg();

// Opens path with codec as a reader and reads a little from a few places (the whole file is never
// decoded); closes it again. True when it opened.
bool readCodecBriefly(ZRCodecBase& codec, const std::string& path, unsigned seed);

}  // namespace orvel_fuzz
