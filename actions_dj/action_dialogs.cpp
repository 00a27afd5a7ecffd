#include "actions_dj/action_dialogs.h"

#include "common/zr_hook.h"
#include "common/zr_logging.h"

namespace {
ZRHook<decltype(ZRActionDialogs::askYesNo)> askHook;
ZRHook<decltype(ZRActionDialogs::showMessage)> messageHook;
ZRHook<ZRChooseFileDialog> chooseFileHook;
ZRHook<ZRBpmEditorDialog> editBpmHook;
ZRHook<decltype(ZRActionDialogs::chooseSaveFile)> saveFileHook;
}  // namespace

void installActionDialogs(ZRActionDialogs dialogs) {
  askHook.install(std::move(dialogs.askYesNo));
  messageHook.install(std::move(dialogs.showMessage));
  saveFileHook.install(std::move(dialogs.chooseSaveFile));
}

void askYesNo(const ZRString& text, const ZRString& caption, std::function<void()> onYes) {
  if (auto ask = askHook.get()) {
    ask(text, caption, std::move(onYes));
    return;
  }
  ZRLOG("question not asked (no dialogs): %s", text);
}

void showActionMessage(const ZRString& text, const ZRString& caption) {
  if (auto show = messageHook.get()) {
    show(text, caption);
    return;
  }
  ZRLOG("message: %s", text);
}

void installChooseFileDialog(ZRChooseFileDialog dialog) { chooseFileHook.install(std::move(dialog)); }

void installBpmEditorDialog(ZRBpmEditorDialog dialog) { editBpmHook.install(std::move(dialog)); }

void chooseFileToOpen(const ZRString& title, const ZRString& wildcard,
                      std::function<void(const ZRString&)> onChosen) {
  if (auto choose = chooseFileHook.get()) {
    choose(title, wildcard, std::move(onChosen));
    return;
  }
  ZRLOG("file box not shown (no dialogs): %s", title);
}

void openBpmEditor(int deck) {
  if (auto edit = editBpmHook.get()) {
    edit(deck);
    return;
  }
  ZRLOG("tempo editor not shown (no dialogs), deck %d", deck);
}

void chooseSaveFile(const ZRString& title, const ZRString& wildcard,
                    std::function<void(const ZRString&)> onDone) {
  if (auto choose = saveFileHook.get()) {
    choose(title, wildcard, std::move(onDone));
    return;
  }
  ZRLOG("file not chosen (no dialogs): %s", title);
  if (onDone) onDone(ZRString());
}
