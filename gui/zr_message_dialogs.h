#pragma once
// The system's small modal boxes: a yes/no question, a message with OK, and a one-line text entry. Each
// is shown on its parent, or on the application's top window when there is none, and titled with its
// caption, or with the edition name "Orvel" when the caption is empty.
//
// Main thread only (the toolkit aborts otherwise): called from another thread they log the mistake and
// answer as if cancelled.

#include <functional>

#include "common/zr_string.h"

class wxDialog;
class wxWindow;

// True when the user answered Yes (or OK).
bool showConfirmationDialog(const ZRString& message, const ZRString& caption, wxWindow* parent);

void showMessageDialog(const ZRString& message, const ZRString& caption, wxWindow* parent);

// The entered text, or the empty text when cancelled. The box starts with defaultText.
ZRString showGetTextFromUserDialog(const ZRString& message, const ZRString& caption,
                                   const ZRString& defaultText, wxWindow* parent);

// Runs task on the main thread: now when called there, else posted to the toolkit's queue. False (and a
// log line naming what) when there is no toolkit application to post to.
bool onMainThreadNowOrLater(const char* what, std::function<void()> task);

// From any thread: the yes/no question on the application's top window, shown at once on the main thread
// and posted there from other threads (the render thread's actions ask this way). onYes runs on the main
// thread after a yes; nothing runs after a no, or when no toolkit application exists (logged).
void askConfirmationOnMainThread(const ZRString& message, const ZRString& caption,
                                 std::function<void()> onYes);
// From any thread: the message with OK, shown on the main thread.
void showMessageOnMainThread(const ZRString& message, const ZRString& caption);
// From any thread: a file-open box (the file must exist; the current folder follows the choice) titled
// title with the toolkit's wildcard, on the main thread; onChosen gets the path there after OK.
void chooseFileOnMainThread(const ZRString& title, const ZRString& wildcard,
                            std::function<void(const ZRString&)> onChosen);

// Ends every modal box that is open (as if cancelled), so that the code waiting on it goes on. Main
// thread only.
void endModalDialogs();

// From any thread: a save-file box on the main thread (overwrite confirmed, the current folder follows the
// choice, started in the home folder); onDone runs there with the chosen path, or with the empty text when
// cancelled or when no toolkit application exists.
void chooseSaveFileOnMainThread(const ZRString& title, const ZRString& wildcard,
                                std::function<void(const ZRString&)> onDone);

// The title every box takes when its caption is empty.
inline constexpr const char* kZRDialogDefaultCaption = "Orvel";

// How the boxes are run: the toolkit's modal loop unless a test puts its own runner in (it gets the
// built box, may change it, and returns the button id a user would have pressed). Null restores the
// modal loop.
using ZRModalRunner = int (*)(wxDialog& dialog);
void setModalRunner(ZRModalRunner runner);
// Whether a test put its runner in.
bool hasModalRunner();
// Runs any modal dialog of the system the same way: the test's runner when one is in, else ShowModal.
int runDialogModal(wxDialog& dialog);
