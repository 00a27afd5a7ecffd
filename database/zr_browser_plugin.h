#pragma once
// Browser plug-ins: a plug-in adds a branch of its own to the browser tree
// (a node with lines, each usually backed by a list of the browser's list
// table), and the browser tells it when the library is loaded and saved,
// when one of its lines is selected and when its icon is drawn. The browser
// keeps up to 8 plug-ins; this system has one, the iTunes library plug-in
// (zr_browser_plugin_itunes.h).
//
// The browser tree is a skin control, above the library; what a plug-in asks
// of it is the small interface ZRBrowserPluginHost, which the browser
// implements. The tree line and the custom data a plug-in hangs on its lines
// and list slots are defined here for the same reason.
//
// Threads: the browser calls its plug-ins on the main thread, and
// getIconData on the render thread while it draws; a plug-in's icon cache
// belongs to the thread that draws.

#include <cstdint>
#include <memory>

#include "common/zr_string.h"

class ZRBrowserPlugin;
class ZRList;

// Data a plug-in keeps with a tree line and its list slot (shared by both).
class ZRBrowserCustomData {
 public:
  virtual ~ZRBrowserCustomData() = default;
};

// One line of the browser tree.
struct TBrowserLine {
  ZRString name;
  ZRString path;     // a folder, for Finder and favourite lines
  int32_t type = 0;  // -1: a plug-in's line
  int32_t childrenLoaded = 1;
  bool expandable = false;
  int32_t reserved1 = 0;
  int32_t reserved2 = 0;
  int32_t listNumber = -1;    // the line's slot in the list table; -1 none
  int32_t icon = 0;           // index into the skin's icon strip
  int32_t expandedIcon = -1;  // -1: the icon
  ZRBrowserPlugin* plugin = nullptr;
  std::shared_ptr<ZRBrowserCustomData> customData;
};

enum TKnownBrowserPluginId : int32_t {
  kBrowserPluginBase = 0,
  kBrowserPluginiTunes = 1,
  kBrowserPluginSecondKind = 2,  // a kind no object of this system has
};

// What a plug-in asks of the browser that owns it.
class ZRBrowserPluginHost {
 public:
  virtual ~ZRBrowserPluginHost() = default;
  // Appends a node with line under parent; its id, -1 when it fails.
  virtual int32_t addTreeNode(const TBrowserLine& line, bool expanded, int32_t parent) = 0;
  // Makes a list in the first free slot of the list table and, with parent
  // >= 0 and a line, its tree line (its id in *outNodeId when given). The
  // slot, -1 when it fails.
  virtual int32_t AddNewList(const ZRString& name, bool saveInDatabase, int32_t parent, TBrowserLine* line,
                             bool expanded, int32_t* outNodeId, int32_t listType, int32_t subtype,
                             int32_t specialType, std::shared_ptr<ZRBrowserCustomData> customData) = 0;
  // The list slot of a visible row's line; -1 when it has none.
  virtual int32_t getListNoOfRow(int32_t row) = 0;
  // The list of a slot and its custom data; null for a free slot.
  virtual ZRList* getListOfSlot(int32_t slot, std::shared_ptr<ZRBrowserCustomData>* customData) = 0;
};

// Decodes an icon file's bytes into width x height RGBA pixels (new[]; null
// when it cannot), as the skin engine's image decoder does.
using ZRBrowserIconDecoder = unsigned char* (*)(const char* data, int size, bool flag, int width, int height);

class ZRBrowserPlugin {
 public:
  explicit ZRBrowserPlugin(ZRBrowserPluginHost* owner) : owner_(owner) {}
  // Frees the icon cache.
  virtual ~ZRBrowserPlugin();
  ZRBrowserPlugin(const ZRBrowserPlugin&) = delete;
  ZRBrowserPlugin& operator=(const ZRBrowserPlugin&) = delete;

  virtual ZRString getName() = 0;
  virtual int32_t getPluginId() { return kBrowserPluginBase; }
  // Adds the plug-in's node and lines under parent.
  virtual void init(int32_t parentNodeId) = 0;
  // Around loading and saving database.xml; nothing in the base.
  virtual void initPreDBLoad(int32_t /*rootNodeId*/) {}
  virtual void initPostDBLoad(int32_t /*rootNodeId*/) {}
  virtual void deinitPreDBSave() {}
  virtual void deinitPostDBSave() {}
  // A line (visible row) of the plug-in was selected (secondButton false, x
  // and y -1) or released with the right button (true, with the position).
  virtual void clicked(int32_t line, bool secondButton, int32_t x, int32_t y) = 0;
  // The icon file's name in the resources' "images" folder; null: no icon.
  virtual const char* getIconFilename() { return nullptr; }
  // The icon as width x height RGBA pixels, kept until another size is
  // asked; null for another plug-in's node (nodeId not -1 and not this
  // plug-in's), a size below 2, no icon file, or a file that cannot be read
  // or decoded.
  virtual const unsigned char* getIconData(int32_t width, int32_t height, bool flag, int32_t nodeId);
  int32_t getNodeId() const { return nodeId_; }
  bool shouldRefresh() const { return refresh_; }

  // The skin engine's decoder, installed when the engine starts (null:
  // plug-ins show no icon, logged once).
  static void setIconDecoder(ZRBrowserIconDecoder decoder);

 protected:
  ZRBrowserPluginHost* owner_;
  bool refresh_ = false;
  int32_t nodeId_ = -1;

 private:
  void freeIcon();

  unsigned char* icon_ = nullptr;
  int32_t iconWidth_ = -1;
  int32_t iconHeight_ = -1;
};
