#pragma once
// Cleaning of an onset envelope before tempo estimation, shared by both tempo
// detectors, and an autocorrelation that never reads past the envelope.

// kernel[t] = 1.145^min(t, 66 - t) for t = 0..65.
void fillOnsetSmoothingKernel(double kernel[66]);

// In place over onsets[0..m-1]: absolute values, causal smoothing with the
// kernel, first difference (the last one against onsets[m] when m < count),
// negative differences set to 0. Values from m on are left alone.
void rectifyOnsetEnvelope(float* onsets, int m, int count, const double* kernel);

// AutoCorrelation (n - 1 products of values[start + i] and
// values[start + i + lag]) with n shortened so that no product reaches index
// total or beyond; 0 when nothing remains.
double clampedAutoCorrelation(const float* values, int total, int start, int n, int lag);

// clampedAutoCorrelation at three lags of the same start and length, in one
// pass over the values (each sum in the same order as by itself).
void clampedAutoCorrelations3(const float* values, int total, int start, int n, const int lags[3],
                              double out[3]);
