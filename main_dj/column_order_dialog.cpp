#include "main_dj/column_order_dialog.h"

#include <wx/listbox.h>

#include <mutex>

#include "common/zr_logging.h"
#include "gui/tarvo_wdr.h"
#include "gui/zr_message_dialogs.h"
#include "gui_nodes/zr_control_support.h"
#include "gui_nodes/zr_node_playlist.h"
#include "main_dj/zr_catch_events_dialog.h"

namespace {

wxWindow* parentWindow = nullptr;

bool move(CCatchEventsDialog& dialog, wxCommandEvent& event) {
  auto* list = dynamic_cast<wxListBox*>(dialog.FindWindow(ID_COLUMNS_LIST));
  if (dialog.playlistNode == nullptr || list == nullptr) return true;
  dialog.playlistNode->moveColumnAndUpdateListBox(list->GetSelection(), event.GetId() == ID_COLUMNS_UP, list);
  return true;
}

void addRoutes() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int id : {ID_COLUMNS_UP, ID_COLUMNS_DOWN}) addDialogRoute(ZRDialogEventKind::Button, id, move);
  });
}

}  // namespace

void ShowReorderColumnsDialog(ZRNodePlaylist* table) {
  if (table == nullptr) return;
  addRoutes();
  CCatchEventsDialog dialog(parentWindow, wxID_ANY, "Reorder columns");
  OrderColumnsDialogFunc(&dialog, true, true);
  dialog.playlistNode = table;
  table->populateListBox_HeaderColumns(dynamic_cast<wxListBox*>(dialog.FindWindow(ID_COLUMNS_LIST)));
  dialog.CentreOnParent(wxBOTH);
  runDialogModal(dialog);
}

void showReorderColumnsDialog(int, int, int, ZRDrawNode* node) {
  if (!isOnMainThread()) {
    ZRLOG("error: the column order dialog is opened from the main thread only; not shown");
    return;
  }
  ShowReorderColumnsDialog(dynamic_cast<ZRNodePlaylist*>(node));
}

void setReorderColumnsParent(wxWindow* parent) {
  parentWindow = parent;
}
