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
// logged, a file-open choice or an editor is not shown (logged), and a save-file choice is cancelled.

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

// A file-open box (the file must exist) titled title, with the toolkit's wildcard ("Name|*.a;*.b"), shown
// on the main thread from any thread; onChosen gets the chosen path there after OK, never after Cancel.
using ZRChooseFileDialog = std::function<void(const ZRString& title, const ZRString& wildcard,
                                              std::function<void(const ZRString&)> onChosen)>;
void installChooseFileDialog(ZRChooseFileDialog dialog);
// Opens the tempo editor of deck (0 or 1) on the main thread, from any thread.
using ZRBpmEditorDialog = std::function<void(int deck)>;
void installBpmEditorDialog(ZRBpmEditorDialog dialog);

void askYesNo(const ZRString& text, const ZRString& caption, std::function<void()> onYes);
void showActionMessage(const ZRString& text, const ZRString& caption);
void chooseFileToOpen(const ZRString& title, const ZRString& wildcard,
                      std::function<void(const ZRString&)> onChosen);
void openBpmEditor(int deck);
void chooseSaveFile(const ZRString& title, const ZRString& wildcard,
                    std::function<void(const ZRString&)> onDone);
