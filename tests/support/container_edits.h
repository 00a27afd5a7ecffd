#pragma once
// Container details written the way independent tagging tools write them, over files made by
// media_encoder: what FFmpeg's own muxers never produce, but real libraries are full of.

#include <cstdint>
#include <string>

namespace orvel_test {

// Appends an APEv2 tag (header, one binary "Cover Art (Front)" item of coverBytes bytes, footer) to the
// end of an MP3, as taggers do. False when the file cannot be written.
bool appendApeCover(const std::string& path, size_t coverBytes);

// Multiplies the play and send durations of an ASF file's File Properties object by factor, as a
// rewritten header may leave them. False when the object is not found.
bool scaleAsfDuration(const std::string& path, double factor);

// Adds the iTunes gapless item ("----" com.apple.iTunes iTunSMPB) with the given priming, end padding
// and valid sample count to an MP4 whose movie atom is its last atom. False when it is not.
bool addITunSmpb(const std::string& path, uint32_t priming, uint32_t padding, uint64_t samples);

// The edits the length tests apply to a freshly encoded file.
enum class ContainerEdit {
  kNone,
  kApeCover,        // appendApeCover with a 300 KB picture
  kAsfDuration145,  // scaleAsfDuration by 1.45
  kITunSmpb,        // addITunSmpb for an AAC file of aacPackets packets encoded from sourceFrames frames
};
// False when the edit cannot be made.
bool applyContainerEdit(const std::string& path, ContainerEdit edit, long aacPackets, long sourceFrames);

// Frames a plain libavformat/libavcodec decode loop gets from the file's best audio stream (what
// FFmpeg's own tools decode), -1 when it cannot be read.
long libavDecodedFrames(const std::string& path);

}  // namespace orvel_test
