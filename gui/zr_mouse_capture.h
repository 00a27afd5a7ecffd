#pragma once
// A modal dialog opened while a window holds the mouse (a drop handled on the release of a drag) must not
// run with the capture held: the toolkit would route the dialog's clicks to the capturing window. Callers
// about to open one from mouse handling release it first.
//
// Main thread only.

// Releases the mouse capture of whichever window holds it; nothing when none does.
void releaseMouseCaptureForModal();
