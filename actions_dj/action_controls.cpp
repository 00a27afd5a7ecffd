#include "actions_dj/action_controls.h"

#include <atomic>

namespace {

class NoControls final : public ZRActionControls {
 public:
  void setCaption(int, int, const ZRString&) override {}
  void setPos(int, int, int, bool) override {}
  int getPos(int, int, int fallback) override { return fallback; }
  void setMax(int, int, int) override {}
  void setRange(int, int, int, int) override {}
  void setSwitched(int, int, bool, bool) override {}
  bool getSwitched(int, int) override { return false; }
  void setMouseOverBlocked(int, int, bool) override {}
  void selectItem(int, int, int, bool) override {}
  void openItems(int, int) override {}
  void setData(int, int, const float*, int, float) override {}
  void setProgress(int, int, float) override {}
  void setArtwork(int, int, const ZRString&, const ZRString&) override {}
  int getZoom(int, int) override { return 0; }
  void setZoom(int, int, int) override {}
  void setItems(int, int, const std::vector<std::pair<ZRString, int>>&) override {}
  void selectByParam(int, int, int) override {}
  void selectByText(int, int, const ZRString&) override {}
  bool getSelected(int, int, ZRString*, int*) override { return false; }
  void setTableFont(int, int, int) override {}
  void setTableDisplayMode(int, int, int) override {}
  void expandBrowserSpecialNode(int, int, int, bool) override {}
  void removeBrowserPlugin(int, int, int) override {}
  bool isNode(const ZRDrawNode*, int, int) override { return false; }
  ZRList* focusedList() override { return nullptr; }
  ZRList* sideList() override { return nullptr; }
  ZRList* playlistList() override { return nullptr; }
  bool playlistHasFocus() override { return false; }
  bool pitchWithoutPercent() override { return false; }
  void setVideoFader(double) override {}
  int getSelectedIndex(int, int) override { return -1; }
  int getItemCount(int, int) override { return 0; }
  void selectIndex(int, int, int, bool) override {}
  void moveAsController(int, int, int) override {}
  void setIndicator(int, int, float) override {}
};

// The installed view is kept alive here; the raw pointer is what the actions read on either thread.
std::shared_ptr<ZRActionControls> installed;
std::atomic<ZRActionControls*> current{nullptr};

}  // namespace

ZRActionControls& actionControls() {
  static NoControls none;
  ZRActionControls* view = current.load(std::memory_order_acquire);
  return view != nullptr ? *view : none;
}

void installActionControls(std::shared_ptr<ZRActionControls> view) {
  current.store(view.get(), std::memory_order_release);
  installed = std::move(view);
}
