#pragma once
// Engine creation and shut-down: the main window's init and deinit callbacks.
//
// initApp (inside the main window's constructor) makes the render window, then InitializeApplication
// creates the whole engine in its fixed order: the screen check, the decoding and web libraries, the action
// bindings, the engine objects (engine_objects.h), the settings (which load the skin and open the sound
// device), the shortcuts, the library with its lists, favourites and list columns, the effect list, and
// last the GUI tick, from which frame on the render thread brings engine state to the screen.
//
// deinitApp runs twice from the main window's close: first (render thread still running) it takes the
// recording callback off the sound output; then (render thread stopped) UninitializeApplication closes
// the decks, saves every file, deletes the engine objects users first, and saves the library last.
//
// What the shut-down writes is only what the start loaded: a start that ended early (a screen too small, a
// failure before the library was read) leaves the user's files as they were. The library's background
// adder is stopped and joined before the engine goes, and the library is saved after it, while it no
// longer changes. While the engine runs the library saves itself a few seconds after each change, so a
// killed process loses at most those seconds.
//
// Main thread only.

#include <atomic>
#include <cstdint>

#include "common/zr_string.h"

class wxFrame;
class ZRList;
class ZRMainFrame;

// The "Loading..." picture window shown during start-up; the engine start closes it once the library and
// settings are loaded (null after that, or when it could not be shown).
extern wxFrame* loadingProgressFrame;

// The init callback: with ra false sets MainFrame, starts the render system and runs InitializeApplication.
void initApp(ZRMainFrame* frame, bool ra);
// The deinit callback: ra true removes the recording callback; ra false runs UninitializeApplication.
void deinitApp(ZRMainFrame* frame, bool ra);

void InitializeApplication();
void UninitializeApplication();

// The list factory of the library's load: the browser (user) makes or finds the list; null without one.
ZRList* loadListInBrowserCallback(const ZRString& name, int32_t type, int32_t subtype, void* user);

// The files the start has read (each set once its load step ran, also when the file did not exist yet):
// the shut-down writes only these.
struct ZRStartLoads {
  std::atomic<bool> preferences{false};
  std::atomic<bool> shortcuts{false};
  std::atomic<bool> library{false};
  std::atomic<bool> favorites{false};
  std::atomic<bool> columns{false};
  std::atomic<bool> effectList{false};
  std::atomic<bool> samplerBanks{false};
  std::atomic<bool> overlays{false};
};
extern ZRStartLoads startLoads;

// GUI ticks run since the engine start installed the tick (render thread writes, any thread reads).
extern std::atomic<uint64_t> engineGuiTicks;
// The smallest display the application runs on.
inline constexpr int kMinimumScreenWidth = 900;
inline constexpr int kMinimumScreenHeight = 600;
// How long the shut-down waits for the cover worker to stop.
inline constexpr int kArtworkStopTimeoutMs = 2000;
// The library's save after changes while the engine runs: after this long without a change, at the latest
// this long after the first unsaved one.
inline constexpr int kLibraryQuietSaveMs = 2000;
inline constexpr int kLibraryLatestSaveMs = 5000;
