#pragma once
// Picture test media made at test time: CDG packet streams built packet by packet, and short videos
// whose every frame shows its own index as a row of black and white bars.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvel_test {

// One 24-byte CDG packet: command byte 0x09, an instruction and 16 data bytes (parity left zero).
using CdgPacket = std::array<unsigned char, 24>;

CdgPacket cdgEmpty();
CdgPacket cdgMemoryPreset(int color);
CdgPacket cdgBorderPreset(int color);
// colors: 16 entries of (red, green, blue), each 0..15; low loads colors 0..7, else 8..15.
CdgPacket cdgLoadColors(bool low, const std::vector<std::array<int, 3>>& colors);
// A 6x12 tile at (row 0..17, column 0..49): bit 5..0 of rows[i] set means color1, else color0.
CdgPacket cdgTile(int row, int column, int color0, int color1, const std::array<unsigned char, 12>& rows,
                  bool exclusiveOr = false);
// Scroll with fill (preset) or wrap (copy): vertical command 0 none, 1 down, 2 up; horizontal the same
// with 1 right, 2 left.
CdgPacket cdgScroll(bool copy, int color, int horizontalCommand, int verticalCommand);

bool writeCdg(const std::string& path, const std::vector<CdgPacket>& packets);

// A picture-only mp4 (mpeg4) of 64x48 at fps frames per second lasting seconds (at most 64 frames);
// frame i shows i in binary as six bars. "" on success, otherwise why it could not be made.
std::string encodeGreyVideo(const std::string& path, int seconds, int fps);
// The same at another size, with another encoder and muxer (a raw "mjpeg" stream has no duration).
// The bars scale with the width: bar k spans width / 8 columns of the upper half.
struct GreyVideoShape {
  int width = 64;
  int height = 48;
  const char* encoder = "mpeg4";
  const char* muxer = "mp4";
};
std::string encodeGreyVideo(const std::string& path, int seconds, int fps, const GreyVideoShape& shape);
// The index shown by a decoded 64x48 BGRA picture.
int frameIndexOf(const unsigned char* bgra, int width);

}  // namespace orvel_test
