#pragma once
// Resizing of R, G, B, A pictures (straight alpha, rows packed) to an exact size, aspect ratio not kept:
// each output pixel averages the source area it covers when the picture shrinks, and interpolates between
// the nearest source pixels when it grows. Colours are weighted by their alpha, so transparent pixels do
// not darken the edges of what they surround.

#include <cstdint>
#include <vector>

// False (out untouched) for sizes that are not positive or memory that cannot be had.
bool resampleRGBA(const uint8_t* source, int sourceWidth, int sourceHeight, int width, int height,
                  std::vector<uint8_t>& out);
