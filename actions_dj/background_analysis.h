#pragma once
// Analysing library tracks ahead of time: the user queues the cursor song, the marked songs or a whole
// list; the "analyze" thread takes the paths one by one, skips tracks whose tempo, gain (and key, while
// key detection is on) are stored and whose stripe file is current, and analyses the rest whole with the
// batch analyser, which stores the results and the stripe file in the library. The screen shows
// "%d remaining" and a spinner while work is queued (background_tasks_status.h).
//
// Only the "analyze" thread touches the analyser (the global batchAudioDetection): it creates it on first
// need and applies the settings between files. The shell only sets flags (updateBatchAudioDetection for a
// new tempo-detection mode, requestBatchDetectMusicalKey for key detection). At shut-down the shell sets
// deinitStarted, deletes the thread (which lets a file in progress finish, then joins), and only then
// deletes the analyser.
//
// Threads: queueing and the actions on the main thread (any thread may queue); the pass on "analyze".

#include "common/zr_string.h"

class ZRDrawNode;

// Queues a copy of path for the analyze thread.
void queueTrackForAnalysis(const ZRString& path);
// Paths queued and not yet taken.
int backgroundAnalysisQueued();

// Whether the thread should analyse the file at path (id receives the library id, -1 when not stored):
// not when the library does not exist or no file is there (unless the path ends in "$"); yes for a track
// the library lacks, one without tempo (at least 10), duration, gain or tempo text (or key, while key
// detection is on), or without a current (version 1) stripe file.
bool IsFileOkToBeAnalyzed(const ZRString& path, int* id, const ZRString& stripesFolder);

// Key detection of the analyser, applied by the thread before its next file.
void requestBatchDetectMusicalKey(bool on);
bool batchDetectMusicalKeyRequested();

// The thread's pass (user: a const ZRString* naming the stripes folder, which outlives the thread):
// drains the queue, analysing one file at a time, and updates the remaining-tasks status. Always true.
bool analyze_thread_function(void* user);
// While stopped every pass ends before its next file (shut-down stops it before deleting the thread).
void setBackgroundAnalysisStopped(bool stopped);

// The status text and spinner for remaining queued files (0 or less: empty text, no spinner).
void updateBackgroundTasksStatus(int remaining);

// Context-menu actions on the focused table's list: the marked rows, else the cursor row; and, after
// confirmation, every row.
void FAnalyzeSongFromCursor(int value, int param, int deck, ZRDrawNode* node);
void FAnalyzeAllSongsFromList(int value, int param, int deck, ZRDrawNode* node);
