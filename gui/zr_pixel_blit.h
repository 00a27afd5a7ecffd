#pragma once
// Raw pixel-buffer routines for pictures of 4 bytes per pixel, rows packed; strides (row lengths) are in
// pixels. Used by the drawing context and by controls that compose pictures. No state; any thread.
//
// The block copies take a w x h block at (sx, sy) of the source and put it at (dx, dy) of the destination.
// The block is clipped to both pictures on every side: parts that fall outside the source or the
// destination are skipped (a block placed at dy = -3 starts 3 source rows lower, one at dx = -2 two source
// columns to the right).

#include <cstddef>
#include <cstdint>

// Copies lengthInBytes bytes (whole pixels) with bytes 0 and 2 of each pixel exchanged (R, G, B, A to
// B, G, R, A and back). Source and destination may be the same buffer.
void convertColorBufferFromARGBtoRGBA(const uint8_t* source, uint8_t* destination, size_t lengthInBytes);

// Plain copy, exchanging bytes 0 and 2 of each pixel when swapRB.
void rgbaBlit(const uint8_t* source, int sx, int sy, int sourceStride, int sourceHeight, uint8_t* destination,
              int dx, int dy, int destinationStride, int destinationHeight, int w, int h, bool swapRB);

// Blended copy: with a = source alpha / 255 each colour byte becomes
// trunc(clamp(destination x (1 - a) + source x a, 0, 255)) (with swapRB the source's bytes 0 and 2 are
// taken crosswise) and the destination alpha becomes the larger of the two alphas.
void rgbaBlitWithAlpha(const uint8_t* source, int sx, int sy, int sourceStride, int sourceHeight,
                       uint8_t* destination, int dx, int dy, int destinationStride, int destinationHeight,
                       int w, int h, bool swapRB);
