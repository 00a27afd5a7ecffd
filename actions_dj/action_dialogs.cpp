#include "actions_dj/action_dialogs.h"

#include "common/zr_hook.h"
#include "common/zr_logging.h"

namespace {
ZRHook<decltype(ZRActionDialogs::askYesNo)> askHook;
ZRHook<decltype(ZRActionDialogs::showMessage)> messageHook;
}  // namespace

void installActionDialogs(ZRActionDialogs dialogs) {
  askHook.install(std::move(dialogs.askYesNo));
  messageHook.install(std::move(dialogs.showMessage));
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
