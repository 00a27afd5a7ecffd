#pragma once
// Linear-interpolation resampling and the frame-count conversion that goes
// with it. Nothing here allocates: callers size dst (dstFrames x channels).

// frames x toRate / fromRate rounded to the nearest integer; 0 when any
// argument is 0 or negative.
long CalculateDestinationSamples(double fromRate, double frames, double toRate);

// Output frame i sits at source position i x srcFrames / dstFrames, each
// channel interpolated by itself; the last output frame is the last source
// frame. Positions past the last source frame take the last frame (never
// read past src). Nothing happens for channels, srcFrames or dstFrames < 1.
void ResampleFloatSamples(const float* src, int srcFrames, float* dst, int dstFrames, int channels);

// One channel at the ratio fromRate / toRate; dst[dstCount - 1] is
// src[floor(dstCount x ratio) - 1]. src must hold floor(dstCount x ratio)
// values (44100 to 441 takes every 100th value).
void resample_mono_floats(int fromRate, int toRate, int dstCount, const float* src, float* dst);
