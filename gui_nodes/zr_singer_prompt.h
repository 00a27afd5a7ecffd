#pragma once
// Asking for a karaoke singer when a track is dropped on the singer rotation. The dialogs layer installs
// its singer-name dialog (name with completion from the singer history, and a key adjustment in steps);
// until then a plain text entry asks for the name and the proposed key adjustment is kept.
//
// Main thread only (modal).

#include "common/zr_string.h"

// name and keyAdjust come in as the proposal and go out as the answer; true when confirmed.
using ZRSingerPrompt = bool (*)(ZRString* name, float* keyAdjust, float keyStep);

void setSingerPrompt(ZRSingerPrompt prompt);
bool promptForSinger(ZRString* name, float* keyAdjust, float keyStep);
