#pragma once
// Decoding pictures into raw pixel arrays for textures: covers and icons from memory, skin image parts and
// overlay animations from files. PNG, JPEG, GIF (every frame of an animation) and TIFF are read (see
// platform/graphics/image_codecs.h); pictures larger than the pixel budget are refused. Any thread may
// decode, several at once.
//
// Pixel arrays are allocated with new[] and owned by the caller (delete[]). Colour bytes come in R, G, B
// order, or B, G, R with swapRB (what OpenGL uploads take, see ZRTexture::isReverseRBNeededForDefaultDevice).

#include <cstdint>

// Decodes a picture held in memory (size bytes). When requestedWidth and requestedHeight are both positive
// the picture is resized to exactly that size (aspect ratio not kept); -1 (or any value below 1) keeps its
// own size. width x height x 4 bytes are allocated (bytes = that count) and, when the picture has
// transparency or forceAlpha is set, filled with 4 bytes per pixel (alpha 255 where the picture has
// none; hasAlpha true); otherwise 3 bytes per pixel are packed at the start (hasAlpha false).
// On failure the outputs are null, 0 and false, the log says "- - - [ERROR offline] NOT loaded image from
// memory stream", and false is returned. The first flag has no effect.
bool getImageRawData(const char* data, int size, bool unused, bool forceAlpha, unsigned char*& pixels,
                     bool& hasAlpha, int& width, int& height, int& bytes, int requestedWidth,
                     int requestedHeight, bool swapRB);

// Decodes a picture file, every frame when the name ends in "gif" (any case; animated then). width and
// height are the picture's (the animation's canvas) size; frames is a new[] array of max(frameCount, 2)
// pointers (those past frameCount null), each frame a zero-filled new[] array of width x height x 4 bytes
// with the frame at its top-left corner (a frame reaching past the canvas is cut at its edge).
// Layout, the same for every frame of the picture: 3 bytes per pixel, rows packed, when no frame has
// transparency, every frame is as wide as the canvas and forceAlpha is not set (hasAlpha false); otherwise
// 4 bytes per pixel (alpha 255 where the frame has none; a GIF's transparent colour is (0, 0, 0, 0)), rows
// starting at multiples of the canvas width with canvasStride, else packed by the frame's width
// (hasAlpha true).
// On failure the outputs are null, 0 and false, the log says "- - - [ERROR offline] NOT loaded image '%s'"
// with the path (or, when a frame's memory cannot be had, "* * fatal error * * (can not create imgData
// %d)"), and false is returned.
bool getImageRawData(const char* path, bool canvasStride, bool forceAlpha, unsigned char**& frames,
                     int& frameCount, bool& hasAlpha, int& width, int& height, bool swapRB);

// Frees what the file form returned.
void freeImageFrames(unsigned char**& frames, int frameCount);
