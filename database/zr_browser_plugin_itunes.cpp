#include "database/zr_browser_plugin_itunes.h"

#include "database/zr_itunes.h"
#include "database/zr_list.h"

namespace {

constexpr int32_t kPluginLineType = -1;
constexpr int32_t kIcon = 7;
constexpr int32_t kSpecialTypeUserList = 10;
constexpr int32_t kListSlots = 4096;

}  // namespace

ZRBrowserPluginiTunes::ZRBrowserPluginiTunes(ZRBrowserPluginHost* owner, const ZRiTunes* library)
    : ZRBrowserPlugin(owner), library_(library) {}

const ZRiTunes* ZRBrowserPluginiTunes::library() const {
  return library_ ? library_ : ZRiTunes::getInstance();
}

void ZRBrowserPluginiTunes::init(int32_t parentNodeId) {
  const ZRiTunes* itunes = library();
  if (!owner_ || !itunes->isOk() || itunes->playlists().empty()) return;
  TBrowserLine node;
  node.name = ZRString("iTunes");
  node.type = kPluginLineType;
  node.childrenLoaded = 1;
  node.expandable = true;
  node.listNumber = -1;
  node.icon = kIcon;
  node.expandedIcon = -1;
  node.plugin = this;
  nodeId_ = owner_->addTreeNode(node, true, parentNodeId);
  if (nodeId_ < 0) return;
  const int count = static_cast<int>(itunes->playlists().size());
  for (int i = 0; i < count; ++i) {
    ZRString name;
    int32_t id = -1;
    itunes->getListDetails(i, &name, &id);
    TBrowserLine line;
    line.name = name;
    line.type = kPluginLineType;
    line.childrenLoaded = 1;
    line.expandable = false;
    line.icon = kIcon;
    line.expandedIcon = -1;
    line.plugin = this;
    owner_->AddNewList(name, false, nodeId_, &line, true, nullptr, ZRList::kTypePlugin, -1,
                       kSpecialTypeUserList, std::make_shared<ZRBrowserListData_iTunes>(i));
  }
}

void ZRBrowserPluginiTunes::clicked(int32_t line, bool secondButton, int32_t /*x*/, int32_t /*y*/) {
  if (secondButton || !owner_) return;
  const int32_t slot = owner_->getListNoOfRow(line);
  if (slot < 0 || slot >= kListSlots) return;
  std::shared_ptr<ZRBrowserCustomData> data;
  ZRList* list = owner_->getListOfSlot(slot, &data);
  auto* playlist = dynamic_cast<ZRBrowserListData_iTunes*>(data.get());
  if (!list || !playlist || playlist->playlistIndex < 0 || playlist->loaded) return;
  playlist->loaded = true;
  library()->importIntoList(list, playlist->playlistIndex);
}
