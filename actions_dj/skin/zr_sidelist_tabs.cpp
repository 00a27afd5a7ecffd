#include "actions_dj/skin/zr_sidelist_tabs.h"

#include "actions_dj/action_controls.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "common/action_ids.h"
#include "database/zr_list.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"

namespace {

void showInSidelist(int specialType) {
  ZRNodeBrowser* browser = libraryBrowser();
  ZRNodePlaylist* sidelist = librarySidelist();
  if (browser == nullptr || sidelist == nullptr) return;
  ZRList* list = browser->getSpecialList(specialType);
  if (list == nullptr) return;
  sidelist->changeList(list);
  // What the singers list shows follows the side table.
  list->callListChangedCallback();
  ZRActionControls& controls = actionControls();
  controls.setMouseOverBlocked(ACT_sidelist_automix_list, -1, specialType == kSpecialAutomix);
  controls.setMouseOverBlocked(ACT_sidelist_rotation_list, -1, specialType == kSpecialKaraokeRotation);
}

}  // namespace

void FSidelistSwitchToAutomixList(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FSidelistSwitchToAutomixList, value, param, deck);
  showInSidelist(kSpecialAutomix);
}

void FSidelistSwitchToRotationList(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FSidelistSwitchToRotationList, value, param, deck);
  showInSidelist(kSpecialKaraokeRotation);
}
