#pragma once
// The video actions of the skin and the shell's video glue: the video window's button, the video effect
// and transition drop-downs (filled at start-up from the video output's lists), the list of videos linked
// to audio tracks, and the video window's place, kept in the settings.
//
// Threads: the action slots may run on the render thread (MIDI, scripts): what touches the toolkit is
// posted to the main thread. The rest runs on the main thread.

#include "common/zr_string.h"
#include "gui/zr_draw_node.h"

// enable_video, enable_karaoke, video_preview (release): shows the video window and stores VideoEnabled.
void enableVideoWindow(int value, int param, int deck, ZRDrawNode* node);
// dropdown_video_fx (per deck) and dropdown_video_transition (after change): the choice, by item index.
void FVideoFXOnChange(int value, int param, int deck, ZRDrawNode* node);
void FVideoTransitionOnChange(int value, int param, int deck, ZRDrawNode* node);

// Fills the effect drop-down of each deck and the transition drop-down with the video output's names and
// selects the current choices.
void fillVideoChoiceLists();
// Shows the enable_video button exactly when the video window is missing or hidden; stores VideoEnabled 0
// then (the skin load and the window's close call it through the skin engine's hook).
void refreshVideoWindowButton();
// VideoEnabled changed: shows or hides the video window.
void showVideoWindow(bool show);

// The videos of folder (not its subfolders), in listing order, become the linked videos of audio tracks.
void refreshLinkVideoFiles(const ZRString& folder);

// Start-up: puts the video window where the settings say (a place on no screen is not applied) and hides
// it when VideoEnabled is 0. Shut-down: stores its place and VideoEnabled.
void loadVideoWindowSettings();
void saveVideoWindowSettings();
