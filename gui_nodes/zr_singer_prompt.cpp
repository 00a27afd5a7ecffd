#include "gui_nodes/zr_singer_prompt.h"

#include <atomic>

#include "gui/zr_message_dialogs.h"

namespace {

std::atomic<ZRSingerPrompt> installed{nullptr};

bool plainPrompt(ZRString* name, float*, float) {
  const ZRString answer = showGetTextFromUserDialog(ZRString("Please enter the singer's name"),
                                                    ZRString("Singer name"), *name, nullptr);
  if (answer.empty()) return false;
  *name = answer;
  return true;
}

}  // namespace

void setSingerPrompt(ZRSingerPrompt prompt) {
  installed.store(prompt);
}

bool promptForSinger(ZRString* name, float* keyAdjust, float keyStep) {
  if (name == nullptr || keyAdjust == nullptr) return false;
  const ZRSingerPrompt prompt = installed.load();
  return prompt != nullptr ? prompt(name, keyAdjust, keyStep) : plainPrompt(name, keyAdjust, keyStep);
}
