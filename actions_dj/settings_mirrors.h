#pragma once
// Settings the user actions and worker threads read as plain values: the shell's reaction to each setting
// change writes them (main thread); the render thread and the "analyze" thread read them.

#include <atomic>

// "RemainingTime": the decks' time displays count down to the end.
extern std::atomic<int> cfg_elapsed_time_displays_remain;
// "ShadersOnTop".
extern std::atomic<int> cfg_show_shaders_on_top;
// The render engine for video: 1 OpenGL (the only one here).
extern std::atomic<int> cfg_enable_video_opengl;
// Set when the BPM detection mode changed: the background analysis takes the new mode.
extern std::atomic<bool> updateBatchAudioDetection;
// The karaoke filler player runs between singers.
extern std::atomic<bool> fillerPlayerOn;
