#pragma once
// The timecode demodulator: turns the stereo signal of a timecode record or CD into the measurements that let
// a deck follow it: the playing speed with its sign (direction), a signal strength between 0 and 1 and, in
// absolute mode, the absolute position on the medium in code words.
//
// The signal model shared by the ten built-in formats (generations 0 to 9): left and right form one complex
// signal z = left + i right. Its strongest line is a pilot tone whose frequency over its nominal one is the
// speed; it lies at negative frequencies when the medium runs backwards. The data comes in code words of 512
// samples at 44100 Hz and nominal speed (256 for generation 5); each carries one trellis-coded 8-PSK or
// 16-QAM point on each of several fixed data sub-carriers, as the phase difference (and amplitude ratio) of
// left and right. One data sub-carrier also serves as timing tone: its power, measured eight times per code
// word, peaks where a measurement window covers exactly one code word. The decoded word, after optional
// de-interleaving, bit reversal and a parity bit, is the word's number: the position counted in code words
// (86.1328125 per second at nominal speed, 172.265625 for generation 5).
//
// Threads: a handle is used by one thread at a time. Create it and set its generation outside the audio
// thread (both allocate); MPVT2_ProcessBuffer then runs on the audio thread and allocates nothing. A
// generation must not be changed while another thread is inside MPVT2_ProcessBuffer. Handles are
// independent of each other.

struct MPVT2Handle;

// A new handle for input at sampleRate (the speeds are reported for that rate; 44100 in the application).
// bufferFrames: the longest buffer expected (at least 2048 is provisioned); longer buffers are processed in
// pieces. Starts with absolute mode on, cut-off sharpness 2.0 and the creation parameter set; callers select
// a generation next. Allocation failure throws std::bad_alloc.
MPVT2Handle* MPVT2_CreateNew(int bufferFrames, double sampleRate);
// Frees the handle and everything it owns; null is ignored.
void MPVT2_Destruct(MPVT2Handle* handle);
// Applies the format of generation 0 to 9; any other value changes nothing.
void MPVT2_SetVinylGeneration(MPVT2Handle* handle, unsigned long generation);
// The slope of the mapping from signal power to strength (2.0 after creation; the live input uses 1.0).
void MPVT2_SetCutoffSharpness(MPVT2Handle* handle, double sharpness);
// Bit 0 of mode on: absolute mode (positions decoded); off: relative mode (speed and strength only).
void MPVT2_SetAbsoluteMode(MPVT2Handle* handle, int mode);
// Processes frames samples per channel. On entry *count holds the capacity of the three output arrays; on
// return the number of entries written: one per tracker hop of 32 input samples (at least one for every
// 8160 frames or part of them), up to the capacity. Per entry: speedOut the speed ratio (1.0 nominal, negative backwards, 0 while
// the strength is below 0.005); powerOut the strength (0.5 at the -30 dB threshold, near 1 for a strong
// signal); positionOut the absolute position in code words where a word was decoded reliably, else -1
// (always -1 in relative mode); entries beyond the hops the demodulator covered repeat the last covered
// one's position.
void MPVT2_ProcessBuffer(MPVT2Handle* handle, const float* left, const float* right, long frames,
                         double* speedOut, double* powerOut, double* positionOut, long* count);
