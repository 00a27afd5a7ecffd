#pragma once
// Float vector arithmetic, aligned buffers, a single-bin transform and the
// small numeric routines the tempo detectors share. Everything here is
// stateless (apart from the process-wide vector-library flag), allocates
// nothing (apart from malloc_a) and never logs, so it is safe on the audio
// thread.

#include <cstddef>

// Non-zero once ACC_DetectCPU has run. The routines give the same results
// either way; the flag only records that start-up selected the vector path.
extern int FACC_CAN_USE_ACCELARATE_FRAMEWORK;

// Sets FACC_CAN_USE_ACCELARATE_FRAMEWORK once; later calls do nothing.
void ACC_DetectCPU();

// values[i] *= factor. n <= 0 does nothing.
void multiply_float_vector(float* values, float factor, int n);
// a[i] *= b[i].
void multiply_float_vectors(float* a, const float* b, int n);
// values[i] += addend.
void add_float_vector16(float* values, float addend, int n);
// Scales the vector so that its largest value (not magnitude) becomes target;
// the largest value is floored at 0.01 so silence stays silence.
void normalize_float_vector(float* values, int n, float target);

// A block aligned to 16 bytes, zero-filled when zero is set; null on failure.
float* malloc_a(size_t bytes, bool zero);
void free_a(void* block);

// Goertzel magnitude at k cycles per n samples (k may be fractional). With
// normalize the magnitude is divided by n / 2, so a sinusoid of amplitude A
// gives A. phase receives atan2(im, re).
double goertzel_mag_new(const float* values, int n, double k, double& phase, bool normalize);
// goertzel_mag_new without normalising for count frequencies k[] over the
// same values (magnitudes only), in one pass over them for up to eight at a
// time; each magnitude is exactly what goertzel_mag_new gives.
void goertzel_mags(const float* values, int n, const double* k, int count, double* magnitudes);

// Beat length in units of 1/rate seconds and back (the detectors pass 441,
// the display-point rate).
float BPMToBeatSize(float bpm, float rate);
float BeatSizeToBPM(float beatSize, float rate);

// The largest value in values[from..to-1] that is below 50 (50 and more are
// beat marks in display data). max starts at 0 and index at from; the first of
// equal maxima wins.
void FindMaxElement(const float* values, int from, int to, float& max, int& index);

// Sum of values[i] * values[i + lag] for i = 0..n-2. The caller keeps
// n - 2 + lag inside the array. 0 for null, negative lag or n < 2.
double AutoCorrelation(const float* values, int n, int lag);

// Feedback comb resonator at the given period over n values of src into dst;
// returns the energy of dst. Before the first period the end of src stands in
// for the output not yet made.
double ResonateAndGetEnergy(const float* src, float* dst, int n, int period);
