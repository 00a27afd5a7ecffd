#pragma once
// Audio files for the tag tests, encoded at test time with FFmpeg's own encoders.

#include <string>

namespace tag_test {

// Writes seconds of a stereo 44100 Hz tone into path with the named muxer and encoder. Returns "" on
// success, otherwise why the file could not be made (an encoder missing from this FFmpeg build).
std::string encodeTone(const std::string& path, const char* muxer, const char* encoder, double seconds);

}  // namespace tag_test
