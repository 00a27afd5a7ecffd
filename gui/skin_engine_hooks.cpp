#include "gui/skin_engine_hooks.h"

#include <atomic>
#include <utility>

#include "common/zr_hook.h"
#include "common/zr_logging.h"

namespace {

ZRHook<ZRInitSkinScriptHook> initScriptHook;
ZRHook<ZRCallSkinInitHook> callInitHook;
ZRHook<ZRCallSkinCallbackHook> callCallbackHook;
ZRHook<ZRTestEnableVideoButtonHook> videoButtonHook;

void notAvailableOnce(std::atomic<bool>& said, const char* what) {
  if (!said.exchange(true)) ZRLOG("%s: not available yet", what);
}

std::atomic<bool> scriptSaid{false};
std::atomic<bool> videoSaid{false};

}  // namespace

bool initSkinScript(const std::string& text) {
  if (auto hook = initScriptHook.get()) return hook(text);
  if (text.empty()) return true;
  notAvailableOnce(scriptSaid, "skin script");
  return false;
}

void callSkinInitFunction() {
  if (auto hook = callInitHook.get()) hook();
}

bool callSkinCallbackFunction(const std::string& function, int a, int b, int c) {
  if (auto hook = callCallbackHook.get()) return hook(function, a, b, c);
  return false;
}

void testEnableVideoButton() {
  if (auto hook = videoButtonHook.get()) {
    hook();
    return;
  }
  notAvailableOnce(videoSaid, "video button");
}

void installInitSkinScriptHook(ZRInitSkinScriptHook hook) {
  initScriptHook.install(std::move(hook));
}
void installCallSkinInitHook(ZRCallSkinInitHook hook) {
  callInitHook.install(std::move(hook));
}
void installCallSkinCallbackHook(ZRCallSkinCallbackHook hook) {
  callCallbackHook.install(std::move(hook));
}
void installTestEnableVideoButtonHook(ZRTestEnableVideoButtonHook hook) {
  videoButtonHook.install(std::move(hook));
}
