#include "app/quit_signals.h"

#include <signal.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/dialog.h>

#include <atomic>
#include <thread>

#include "common/zr_logging.h"
#include "common/zr_thread_utils.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/shell_window.h"
#include "main_dj/zr_main_frame.h"

namespace {

void closeMainWindowNow() {
  if (ZRMainFrame* frame = GetApplicationMainWindow()) {
    if (!frame->isClosing()) frame->Close(true);
    return;
  }
  // No main window yet: the start is waiting in a question (the first start's language chooser), with
  // nothing loaded that could need saving. Declining it ends the start.
  endModalDialogs();
  if (wxTheApp != nullptr) wxTheApp->ExitMainLoop();
}

}  // namespace

void installQuitSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGHUP);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  static std::atomic<bool> asked{false};
  std::thread([signals] {
    setThreadName("quitSignals");
    for (;;) {
      int number = 0;
      if (sigwait(&signals, &number) != 0) continue;
      // A second request means the user does not want to wait for the shut-down: files are replaced
      // whole, so ending now loses only what the saves had not yet written.
      if (asked.exchange(true)) {
        ZRLOG("signal %d again: ending at once", number);
        _exit(128 + number);
      }
      ZRLOG("signal %d: closing the main window", number);
      // Before the toolkit runs (or after it) there is no loop to post to: end at once, nothing is loaded.
      if (wxTheApp == nullptr) _exit(128 + number);
      wxTheApp->CallAfter([] { closeMainWindowNow(); });
    }
  }).detach();
}
