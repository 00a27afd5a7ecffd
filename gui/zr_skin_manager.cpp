#include "gui/zr_skin_manager.h"

#include <libxml/tree.h>
#include <wx/choice.h>

#include <cmath>
#include <cstring>

#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_xml_utils.h"

namespace {

bool isElement(const xmlNode* n, const char* name) {
  return n->type == XML_ELEMENT_NODE && n->name != nullptr &&
         std::strcmp(reinterpret_cast<const char*>(n->name), name) == 0;
}

// A name that stays inside the skin's folder: relative, no ".." component.
bool isSafeImageName(const std::string& name) {
  if (name.empty() || name[0] == '/') return false;
  size_t start = 0;
  while (start <= name.size()) {
    const size_t end = name.find('/', start);
    const std::string part = name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part == "..") return false;
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return true;
}

std::string lowered(const std::string& text) {
  ZRString s(text);
  s.makeLowercase();
  return s.utf8();
}

// The folder of a path, without the trailing '/'.
std::string folderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

}  // namespace

std::vector<std::string> ZRSkinManager::getKeys() const {
  std::vector<std::string> keys;
  for (const auto& [key, details] : skins_) keys.push_back(key);
  return keys;
}

void ZRSkinManager::addSkinsFromFolder(const ZRString& folder, const char* tag) {
  void* handle = nullptr;
  ZRString name;
  bool isFolder = false;
  if (!findFirst(folder, ZRString("*.xml"), &handle, &name, &isFolder)) return;
  do {
    if (isFolder || !name.endsWith(ZRString(".xml"))) continue;
    ZRString path = folder;
    path.appendSeparatorIfNeeded();
    path += name;
    TSkinDetails details;
    std::string key;
    if (processXmlFile(path.utf8().c_str(), tag, &details, &key, true)) skins_[key] = std::move(details);
  } while (findNext(handle, &name, &isFolder));
  findClose(handle);
}

bool ZRSkinManager::processXmlFile(const char* path, const char* tag, TSkinDetails* details,
                                   std::string* keyOut, bool needAspectRatios) {
  if (details == nullptr || keyOut == nullptr) return false;
  *details = TSkinDetails();
  keyOut->clear();
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(path, "skin", &document, &root, 0, 0)) return false;
  if (decodeIntNode(root, "targetversion") != 3) {
    closeXMLFile(document);
    return false;
  }
  details->skinname = decodeStrNode2(root, "skinname").utf8();
  details->xmlPath = path;
  details->screenwidth = decodeIntNode(root, "screenwidth");
  details->screenheight = decodeIntNode(root, "screenheight");
  *keyOut = tag != nullptr && tag[0] != '\0' ? details->skinname + " " + tag : details->skinname;
  ZRLOG("found xml skin name='%s', w=%d, h=%d, filename='%s', key='%s'", details->skinname.c_str(),
        details->screenwidth, details->screenheight, path, keyOut->c_str());
  if (!needAspectRatios) {
    closeXMLFile(document);
    return true;
  }
  for (xmlNode* block = root->children; block != nullptr; block = block->next) {
    if (!isElement(block, "aspectratios_supported")) continue;
    for (xmlNode* ratio = block->children; ratio != nullptr; ratio = ratio->next) {
      if (!isElement(ratio, "aspectratio_supported")) continue;
      TSkinAspectRatio aspect;
      aspect.name = decodeStrNode2(ratio, "name");
      bool found = false;
      const float value = decodeFloatNode(ratio, "aspectratio", &found);
      aspect.aspectratio = found && value >= 1 ? value : 1.6f;
      ZRLOG("  aspectratio name='%s' aspectratio='%.3f'", aspect.name,
            static_cast<double>(aspect.aspectratio));
      for (xmlNode* img = ratio->children; img != nullptr; img = img->next) {
        if (!isElement(img, "image")) continue;
        TSkinImage image;
        image.name = decodeStrNode2(img, "name");
        image.resolutionx = decodeIntNode(img, "resolutionx");
        image.resolutiony = decodeIntNode(img, "resolutiony");
        const int parts = decodeIntNode(img, "images");
        image.images = parts >= 1 ? parts : 1;
        const std::string imageName = image.name.utf8();
        if (!isSafeImageName(imageName)) {
          ZRLOG("error: skin '%s': image name '%s' is not a file of the skin's folder, refused", path,
                imageName.c_str());
          continue;
        }
        ZRLOG("    image name='%s' resolutionx='%d' resolutiony='%d' images=%d", image.name,
              image.resolutionx, image.resolutiony, image.images);
        aspect.images.push_back(std::move(image));
      }
      ZRLOG("    found %d images", static_cast<int>(aspect.images.size()));
      if (!aspect.images.empty()) details->aspectRatios.push_back(std::move(aspect));
    }
  }
  ZRLOG("  found %d aspectratios", static_cast<int>(details->aspectRatios.size()));
  closeXMLFile(document);
  return !details->aspectRatios.empty();
}

const ZRSkinManager::TSkinDetails* ZRSkinManager::findSkin(const std::string& key) const {
  auto found = skins_.find(key);
  return found == skins_.end() ? nullptr : &found->second;
}

bool ZRSkinManager::getSkinDetails(const std::string& key, std::string* xmlPathOut, std::string* skinNameOut,
                                   int* widthOut, int* heightOut) const {
  if (xmlPathOut != nullptr) xmlPathOut->clear();
  if (skinNameOut != nullptr) skinNameOut->clear();
  if (widthOut != nullptr) *widthOut = 0;
  if (heightOut != nullptr) *heightOut = 0;
  const TSkinDetails* skin = findSkin(key);
  if (skin == nullptr) return false;
  if (xmlPathOut != nullptr) *xmlPathOut = skin->xmlPath;
  if (skinNameOut != nullptr) *skinNameOut = skin->skinname;
  if (widthOut != nullptr) *widthOut = skin->screenwidth;
  if (heightOut != nullptr) *heightOut = skin->screenheight;
  return true;
}

bool ZRSkinManager::getSkinFromPartialFilename(const std::string& text, std::string& keyOut) const {
  keyOut.clear();
  for (const auto& [key, skin] : skins_) {
    if (ZRString(skin.xmlPath).getName().utf8() == text) {
      keyOut = key;
      return true;
    }
  }
  for (const auto& [key, skin] : skins_) {
    if (skin.xmlPath.find(text) != std::string::npos) {
      keyOut = key;
      return true;
    }
  }
  return false;
}

bool ZRSkinManager::getBestSkinForResolution(const std::string& preferredName, int width, int height,
                                             std::string& keyOut) const {
  keyOut.clear();
  const TSkinDetails* best = nullptr;
  if (!preferredName.empty()) {
    const std::string wanted = lowered(preferredName);
    for (const auto& [key, skin] : skins_) {
      if (lowered(skin.skinname) == wanted) {
        keyOut = key;
        best = &skin;
        break;
      }
    }
  }
  if (best == nullptr) {
    long long bestArea = 0;
    for (const auto& [key, skin] : skins_) {
      if (skin.screenwidth > width || skin.screenheight > height) continue;
      const long long area = static_cast<long long>(skin.screenwidth) * skin.screenheight;
      if (best == nullptr || area > bestArea) {
        best = &skin;
        bestArea = area;
        keyOut = key;
      }
    }
  }
  if (best == nullptr) return false;
  return static_cast<long long>(best->screenwidth) * best->screenheight > 0;
}

bool ZRSkinManager::getBestSkinDetailsForResolution(const std::string& key, int width, int height,
                                                    ZRString& xmlPathOut, ZRString& imagePathOut,
                                                    int& widthOut, int& heightOut, int& partsOut) const {
  const TSkinDetails* skin = findSkin(key);
  if (skin == nullptr) return false;
  const float target = height > 0 ? static_cast<float>(width) / static_cast<float>(height) : 0.0f;
  const TSkinAspectRatio* aspect = nullptr;
  float bestDifference = 1.0f;
  for (const TSkinAspectRatio& a : skin->aspectRatios) {
    ZRLOG("    aspectratio=%.3f", static_cast<double>(a.aspectratio));
    const float difference = std::fabs(target - a.aspectratio);
    if (difference < bestDifference) {
      bestDifference = difference;
      aspect = &a;
    }
  }
  const TSkinImage* image = nullptr;
  if (aspect != nullptr) {
    for (const TSkinImage& i : aspect->images) {
      ZRLOG("    image w=%d h=%d", i.resolutionx, i.resolutiony);
      if (i.resolutionx <= width && (image == nullptr || i.resolutionx > image->resolutionx)) image = &i;
    }
  }
  const std::string folder = folderOf(skin->xmlPath);
  xmlPathOut = ZRString(skin->xmlPath);
  imagePathOut = ZRString(folder + "/" + (image != nullptr ? image->name.utf8() : std::string()));
  widthOut = image != nullptr ? image->resolutionx : 0;
  heightOut = image != nullptr ? image->resolutiony : 0;
  partsOut = image != nullptr ? image->images : 0;
  ZRLOG("best skin/aspect-ratio/resolution we found: '%s' / %.3f / %d x %d (images:%d, image:'%s')",
        key.c_str(), static_cast<double>(aspect != nullptr ? aspect->aspectratio : 0.0f), widthOut, heightOut,
        partsOut, image != nullptr ? image->name : ZRString());
  ZRLOG("xml='%s', img='%s'", xmlPathOut, imagePathOut);
  return true;
}

void ZRSkinManager::addSkinsToComboBox(wxChoice* choice, int clear) const {
  if (choice == nullptr) return;
  if (clear) choice->Clear();
  for (const auto& [key, skin] : skins_) choice->Append(wxString::FromUTF8(key.c_str()));
}
