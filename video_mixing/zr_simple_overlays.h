#pragma once
// The user's overlay list: texts, pictures and videos laid over the video output, each placed by one of
// nine alignments or freely, sized, turned, tinted and faded. The list is stored in an overlays file
// (UTF-8 XML in the data folder's Overlays folder) and shown through a simple overlay layer
// (addItemsToLayer, then the layer's commitChanges).
//
// The overlays file:
//   <overlays version="1">
//   <overlay index="1" enabled="1" type="text" nametext="..." file="..." font="Arial" fontstyle="bold"
//            fontsize="48" align="center" cr="1.0000" ... rotation="0.0000" />
//   </overlays>
// Attributes are read by name in any order; numbers are written and read with '.' whatever the locale.
// align is "free" for an overlay placed by its own posx, posy. The file is replaced atomically.
//
// Threads: the list is used on the main thread only.

#include <memory>
#include <vector>

#include "common/zr_string.h"
#include "common/zr_value_codecs.h"

class wxCheckListBox;
class ZROverlayGraphicsSimple;

class ZRSimpleOverlays {
 public:
  struct Overlay {
    bool enabled = false;
    int type = 0;  // 0 text, 1 picture or video; any other value is invalid
    ZRString nametext = "New Item";
    ZRString file;
    ZRString font = "Arial";
    textStyle fontstyle = textStyleInvalid;
    textAlign align = textAlignCenter;
    int fontsize = 48;
    float cr = 1, cg = 1, cb = 1;
    float opacity = 1;
    float posx = 0.5f, posy = 0.5f;  // used only with align -1 (free)
    float width = 0.25f, height = 0.25f;
    float rotation = 0;
  };
  static constexpr int kTypeText = 0;
  static constexpr int kTypeImageOrVideo = 1;
  static constexpr int kTypeInvalid = -1;

  // Replaces the list from an overlays file; false, list unchanged, when the file is missing, does not
  // parse or has another root. A media file is looked for as base + file, then beside the overlays file,
  // then in the Overlays folder (overlaysFolder); when none exists the overlay's file is left empty.
  bool load(const ZRString& path, const ZRString& base);
  // Writes the list; false (the old file untouched) when it cannot be written.
  bool save(const ZRString& path) const;

  // A new overlay with the defaults, inserted before position (appended for a negative position or one
  // not below the count); returns its position.
  int add(bool enabled, int position);
  bool remove(int position);
  bool moveUp(int position) { return moveLine(position, true); }
  bool moveDown(int position) { return moveLine(position, false); }
  bool moveLine(int position, bool up);
  int getTotalItems() const { return static_cast<int>(items_.size()); }
  // Changed in place by the editor; null outside the list.
  Overlay* getItem(int position);
  // Deletes every overlay; false when the list was already empty.
  bool clear();

  // One line per overlay: its name and " (text)", " (image/video)" or " (unknown type)", ticked when
  // enabled. The box is not cleared first.
  void addItemsToCheckListBox(wxCheckListBox* box) const;
  // Adds every enabled overlay to the layer's pending items, in list order. The caller commits.
  void addItemsToLayer(ZROverlayGraphicsSimple* layer) const;

  // The Overlays folder of the data folder (ending in a separator), the last place media files are
  // looked for.
  static void setOverlaysFolder(const ZRString& folder);

 private:
  std::vector<std::unique_ptr<Overlay>> items_;
};

// The user's overlays, for the whole process.
extern ZRSimpleOverlays simpleOverlays;
