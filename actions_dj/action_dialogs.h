#pragma once
// The toolkit boxes the user actions open: a yes/no question and a message. Actions run on the main
// thread and on the render thread (MIDI, scripts, the GUI tick), while the toolkit must only be called on
// the main thread, so the actions never call it themselves: the window side installs an implementation
// that shows the box on the main thread (posting it there when called from elsewhere: the toolkit layer's
// askConfirmationOnMainThread and showMessageOnMainThread in gui/zr_message_dialogs.h have this form), and
// a question's answer comes back as a call of onYes, on the main thread, once the user said yes. Tests
// install their own answers.
//
// Without an implementation a question is answered no (the playing track stays), a message is only
// logged and a file choice is cancelled.

#include <functional>

#include "common/zr_string.h"

struct ZRActionDialogs {
  // Asks text (caption empty: the program's name); calls onYes when the answer is yes, never otherwise.
  std::function<void(const ZRString& text, const ZRString& caption, std::function<void()> onYes)> askYesNo;
  std::function<void(const ZRString& text, const ZRString& caption)> showMessage;
  // A save-file box (overwrite confirmed, started in the home folder) titled title, with a toolkit
  // wildcard ("Name (*.ext)|*.ext|..."); onDone gets the chosen path, or the empty text when cancelled.
  std::function<void(const ZRString& title, const ZRString& wildcard,
                     std::function<void(const ZRString&)> onDone)>
      chooseSaveFile = nullptr;
};

void installActionDialogs(ZRActionDialogs dialogs);

void askYesNo(const ZRString& text, const ZRString& caption, std::function<void()> onYes);
void showActionMessage(const ZRString& text, const ZRString& caption);
void chooseSaveFile(const ZRString& title, const ZRString& wildcard,
                    std::function<void(const ZRString&)> onDone);
