#pragma once
// Test media made at test time with FFmpeg's own encoders, so that no recorded audio is committed.

#include <cstdint>
#include <string>
#include <vector>

namespace orvel_test {

struct EncodeOptions {
  // Variable bit rate at a fixed quality; otherwise bitRate (bits per second).
  bool vbr = false;
  int bitRate = 160000;
  // Options of the encoder and of the muxer, "key=value:key=value" (for instance "abr=1" for LAME's
  // average bit rate, "write_xing=0" for an MP3 without its Xing/LAME header).
  const char* encoderOptions = "";
  const char* muxerOptions = "";
  // When set, receives the number of packets the encoder made.
  long* packets = nullptr;
};

// Encodes interleaved 16-bit PCM into path with the named encoder ("libmp3lame", "flac", "libvorbis",
// "aac" ...) and muxer ("mp3", "flac", "ogg", "ipod" ...);
// vbr asks for variable bit rate at a fixed quality. Returns "" on success, otherwise why the file
// could not be made (a missing encoder or muxer in this FFmpeg build, for instance).
std::string encodeAudio(const std::string& path, const char* muxer, const char* encoder,
                        const std::vector<int16_t>& interleaved, int channels, int rate, bool vbr = false);
std::string encodeAudio(const std::string& path, const char* muxer, const char* encoder,
                        const std::vector<int16_t>& interleaved, int channels, int rate,
                        const EncodeOptions& options);

// Writes a short picture-only file (no audio stream) with the mpeg4 encoder. "" on success.
std::string encodeVideoOnly(const std::string& path, const char* muxer);

// Interleaved 16-bit test signal: a tone whose frequency drifts, with a click every 997 frames and
// differing channels, so that any misplaced or repeated frame shows in a comparison.
std::vector<int16_t> testSignal(int frames, int channels, int rate);

}  // namespace orvel_test
