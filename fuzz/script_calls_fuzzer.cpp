// What a controller script hands the application: value names with any deck, node names with commands and
// any numbers, node ids to hide and show, generic calls on any action, and texts to scroll. The input is
// lines of "name|command|deck|first|second|third|bufferSize"; each line goes through every entry a script
// reaches, on a skin engine without a window whose controls are bound as at start-up.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_control_classes.h"
#include "main_dj/action_bindings.h"
#include "main_dj/controller_notifications_poll.h"
#include "main_dj/controller_values.h"
#include "main_dj/script_node_access.h"
#include "main_dj/shell_window.h"

namespace {

// Made once and kept to the end of the process (never destroyed: the nodes would outlive the statics
// their destruction reaches at exit).
ZRNodeManager& boundManager() {
  static ZRNodeManager* manager = [] {
    registerControlClasses();
    auto* m = new ZRNodeManager(nullptr, new ZRControlClassFactory);
    bindActionsStageA(*m);
    bindActionsStageB(*m);
    bindActionsStageC(*m);
    setShellNodeManager(m);
    return m;
  }();
  return *manager;
}

int number(const std::vector<std::string>& fields, size_t i) {
  return i < fields.size() ? static_cast<int>(std::strtoll(fields[i].c_str(), nullptr, 10)) : 0;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  boundManager();
  const std::string text(reinterpret_cast<const char*>(data), size);
  size_t start = 0;
  for (int lines = 0; start <= text.size() && lines < 200; lines++) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> fields;
    const std::string line = text.substr(start, end - start);
    for (size_t from = 0;;) {
      const size_t bar = line.find('|', from);
      fields.push_back(line.substr(from, bar == std::string::npos ? std::string::npos : bar - from));
      if (bar == std::string::npos) break;
      from = bar + 1;
    }
    start = end + 1;
    const std::string name = fields[0];
    const std::string command = fields.size() > 1 ? fields[1] : std::string();
    const int deck = number(fields, 2), first = number(fields, 3), second = number(fields, 4),
              third = number(fields, 5);
    const int bufferSize = std::abs(number(fields, 6) % 600);

    // The answer must fit the buffer the script's side gave, always terminated.
    std::vector<char> buffer(bufferSize + 1, '\x7f');
    int value = 0, type = 0;
    double real = 0;
    GetEngineValue(name.c_str(), deck, value, real, buffer.data(), bufferSize, type, first % 64);
    orvel_fuzz::fuzzCheck(buffer[bufferSize] == '\x7f', "value text written past its buffer");
    getScrollTextValue(deck, second, first, command.c_str(), buffer.data(), bufferSize);
    orvel_fuzz::fuzzCheck(buffer[bufferSize] == '\x7f', "scroll text written past its buffer");
    if (name != "skinChange")
      callNode_impl(name.c_str(), deck, command.c_str(), first, second, third, nullptr);
    MainNotification(name.c_str(), deck, first, second, nullptr);
    callDj_Hide(deck, first, 0);
    callDj_Show(deck, first, 0);
    controllerCallFunctionCallback(second % 6, first, deck, third, 0);
    callDj_DeckCFAssign(first, 0, deck);
    callDj_SamplerVolume(first, second, deck);
    callDj_DeckIncPitch(first % 1000, 0, deck);
  }
  return 0;
}
