#pragma once
// Telling the user about a problem that does not stop the application (a data folder that cannot be made,
// a sound device that fell back to "Null output"). The message is always logged ("error: " and the text).
// With a user it is shown in the usual modal box; under the test suite (or with no toolkit running) the
// box is shown without waiting for an answer, so a start with nobody at the screen never hangs.
//
// Main thread only; from another thread the showing is posted to the main thread.

#include "common/zr_string.h"

class wxWindow;

// caption "" titles the box with the edition name.
void tellUserAboutProblem(const ZRString& message, const ZRString& caption, wxWindow* parent);
