#include "main_dj/skin_node_values.h"

#include <atomic>

#include "common/zr_logging.h"

namespace {

// The control classes are not built yet: each kind of write says so once instead of doing nothing.
void notAvailableYet(const char* what) {
  static std::atomic<bool> saidSlider{false}, saidSwitch{false}, saidText{false}, saidDropDown{false},
      saidTable{false}, saidBrowser{false};
  std::atomic<bool>* said = &saidSlider;
  const std::string kind(what);
  if (kind == "switch") said = &saidSwitch;
  if (kind == "text") said = &saidText;
  if (kind == "drop-down") said = &saidDropDown;
  if (kind == "track table") said = &saidTable;
  if (kind == "browser") said = &saidBrowser;
  if (!said->exchange(true)) ZRLOG("skin %s values: not available yet", what);
}

}  // namespace

void skinSliderSetPos(ZRDrawNode* node, int) {
  if (node != nullptr) notAvailableYet("slider");
}
void skinSliderSetRange(ZRDrawNode* node, int, int) {
  if (node != nullptr) notAvailableYet("slider");
}
void skinSliderSetUserAction(ZRDrawNode* node, ZRActionCallback) {
  if (node != nullptr) notAvailableYet("slider");
}
void skinSwitchSetState(ZRDrawNode* node, int) {
  if (node != nullptr) notAvailableYet("switch");
}
void skinTextSetCaption(ZRDrawNode* node, const ZRString&) {
  if (node != nullptr) notAvailableYet("text");
}
void skinDropDownSetItems(ZRDrawNode* node, const std::vector<std::pair<ZRString, int>>&) {
  if (node != nullptr) notAvailableYet("drop-down");
}
void skinDropDownSelectByParam(ZRDrawNode* node, int) {
  if (node != nullptr) notAvailableYet("drop-down");
}
void skinDropDownSelectByText(ZRDrawNode* node, const ZRString&) {
  if (node != nullptr) notAvailableYet("drop-down");
}
bool skinDropDownGetSelected(ZRDrawNode* node, ZRString*, int*) {
  if (node != nullptr) notAvailableYet("drop-down");
  return false;
}
void skinDropDownSetUserAction(ZRDrawNode* node, ZRActionCallback) {
  if (node != nullptr) notAvailableYet("drop-down");
}
void skinTrackTableAdjustFont(ZRDrawNode* node, int) {
  if (node != nullptr) notAvailableYet("track table");
}
void skinTrackTableSetDisplayMode(ZRDrawNode* node, int) {
  if (node != nullptr) notAvailableYet("track table");
}
void skinBrowserExpandSpecialNode(ZRDrawNode* node, int, bool) {
  if (node != nullptr) notAvailableYet("browser");
}
void skinBrowserRemovePlugin(ZRDrawNode* node, int) {
  if (node != nullptr) notAvailableYet("browser");
}
