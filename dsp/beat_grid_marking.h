#pragma once
// Placing the beats of a detected tempo and marking them (+55 each, the
// ordinary beat mark) into a display array, from a cleaned onset envelope
// (one value per display point, 441 per second, values >= 0).

// Dynamic-programming beat tracker: beat spacing may vary between half and
// twice the tempo's period, favouring the period itself; the best-scoring
// chain of beats through the envelope is marked. Nothing for bpm < 1; an
// envelope without any positive value logs and marks nothing.
void markBeatsUsingDP(const float* onsets, int count, float bpm, float* marks);

// A rigid grid of equal beats at the tempo; only its phase is chosen. When
// marks is another array than onsets, the grid sits 24 points earlier than
// the strongest phase. Nothing for bpm < 1.
void markBeatsUsingNormal(const float* onsets, int count, double bpm, float* marks);
