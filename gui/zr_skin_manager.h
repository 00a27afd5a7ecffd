#pragma once
// ZRSkinManager: the catalogue of installed skins. The shell fills it from the skin folders, lists its keys
// in the preferences' skin choice, and asks it which skin fits a display and which of the skin's image sets
// to load (the loader, ZRNodeManager::loadSkin, reads the skin itself). Only the head of each skin file is
// read: the root's attributes and its aspectratios_supported blocks.
//
// A skin's key is its "skinname", or the skinname, a space and the folder's tag ("Club [u]"); keys are
// ordered by byte comparison, and a later file with the same key replaces the earlier one. Only files whose
// root is `skin` with "targetversion" 3 and at least one aspect ratio with images are listed.
//
// Image names are file names relative to the skin's folder: a name that is absolute or climbs out with ".."
// is refused (logged, the image is not kept).
//
// Threads: filled and read on the main thread; no lock.

#include <map>
#include <string>
#include <vector>

#include "common/zr_string.h"

class wxChoice;

class ZRSkinManager {
 public:
  struct TSkinImage {
    ZRString name;   // image file name, relative to the XML's folder
    int images = 1;  // number of image parts
    int resolutionx = 0;
    int resolutiony = 0;
  };
  struct TSkinAspectRatio {
    ZRString name;
    float aspectratio = 1.6f;
    std::vector<TSkinImage> images;  // in file order
  };
  struct TSkinDetails {
    std::string skinname;  // root "skinname" ("" when absent)
    std::string xmlPath;   // full path of the skin's XML file
    int screenwidth = -1;  // root attributes, -1 when absent
    int screenheight = -1;
    std::vector<TSkinAspectRatio> aspectRatios;  // in file order
  };

  ZRSkinManager() = default;

  int getTotalSkins() const { return static_cast<int>(skins_.size()); }
  // The keys in order.
  std::vector<std::string> getKeys() const;

  // Reads the head of every "*.xml" file of the folder (listing order: localized, case-insensitive, hidden
  // entries skipped) and stores each skin under its key. tag may be null or empty (no tag).
  void addSkinsFromFolder(const ZRString& folder, const char* tag);
  // Reads one file's head into details and its key into keyOut. False when the file cannot be read, its
  // root is not `skin`, its target version is not 3, or (needAspectRatios) no aspect ratio with images
  // was found.
  bool processXmlFile(const char* path, const char* tag, TSkinDetails* details, std::string* keyOut,
                      bool needAspectRatios);
  // The details of a key (outputs may be null; cleared first); false for an unknown key.
  bool getSkinDetails(const std::string& key, std::string* xmlPathOut, std::string* skinNameOut,
                      int* widthOut, int* heightOut) const;
  const TSkinDetails* findSkin(const std::string& key) const;
  // The first key (in key order) whose XML file name without folder and extension is text; else the first
  // whose XML path contains text; false (empty key) when none. Case-sensitive.
  bool getSkinFromPartialFilename(const std::string& text, std::string& keyOut) const;
  // The skin named preferredName (ignoring case), else the largest skin (width x height) that fits the
  // display; true when a skin with a size above 0 was found.
  bool getBestSkinForResolution(const std::string& preferredName, int width, int height,
                                std::string& keyOut) const;
  // The skin's XML path, and the image set that suits a window: the aspect ratio nearest width / height
  // (differences below 1.0 only), then its widest image not wider than the window. Without a suitable image
  // the sizes and part count are 0 and the image path is the folder followed by "/". False for an unknown
  // key.
  bool getBestSkinDetailsForResolution(const std::string& key, int width, int height, ZRString& xmlPathOut,
                                       ZRString& imagePathOut, int& widthOut, int& heightOut,
                                       int& partsOut) const;
  // Appends every key in order to the choice (cleared first when asked); a null choice does nothing.
  void addSkinsToComboBox(wxChoice* choice, int clear) const;

 private:
  std::map<std::string, TSkinDetails> skins_;
};
