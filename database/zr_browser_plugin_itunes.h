#pragma once
// The iTunes library plug-in of the browser: an "iTunes" node with one list
// per iTunes playlist. A playlist's list starts empty and is filled from the
// iTunes library the first time its line is selected; the lists are not
// saved, so every run starts with them empty. Without an iTunes library (or
// without playlists) the plug-in adds nothing.

#include "database/zr_browser_plugin.h"

class ZRiTunes;

// Kept with each playlist line and its list slot.
class ZRBrowserListData_iTunes : public ZRBrowserCustomData {
 public:
  explicit ZRBrowserListData_iTunes(int32_t index) : playlistIndex(index) {}
  int32_t playlistIndex = -1;  // among the playlists the library offers
  bool loaded = false;
};

class ZRBrowserPluginiTunes : public ZRBrowserPlugin {
 public:
  // library null: the iTunes library of the user's home folder.
  explicit ZRBrowserPluginiTunes(ZRBrowserPluginHost* owner, const ZRiTunes* library = nullptr);

  ZRString getName() override { return ZRString("iTunes plugin"); }
  int32_t getPluginId() override { return kBrowserPluginiTunes; }
  void init(int32_t parentNodeId) override;
  void clicked(int32_t line, bool secondButton, int32_t x, int32_t y) override;

 private:
  const ZRiTunes* library() const;

  const ZRiTunes* library_;
};
