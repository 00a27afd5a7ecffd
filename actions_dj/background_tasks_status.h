#pragma once
// What the background work (adding files, analysing tracks) tells the screen: the text of the remaining
// tasks and whether the spinner turns. Workers write it, the GUI tick reads it, so the text is handed over
// whole under a short lock (never a half-written text), cut to fit on a UTF-8 character boundary.
//
// Any thread but the audio thread.

// A new remaining-tasks text (null: empty) for the screen; the spinner shows while spinnerShow.
void setBackgroundTasksStatus(const char* remaining, bool spinnerShow);
// Only the spinner.
void setBackgroundTasksSpinner(bool spinnerShow);
// The text set since the last take (false when none is new); out holds size bytes and is always
// terminated.
bool takeBackgroundTasksMessage(char* out, int size);
bool backgroundTasksSpinnerShown();
