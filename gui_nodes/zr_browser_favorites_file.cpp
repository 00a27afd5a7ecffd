#include "gui_nodes/zr_browser_favorites_file.h"

#include <fstream>
#include <string>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_xml_utils.h"

namespace {

// The whole attribute value (the string readers cut long values).
ZRString wholeAttribute(xmlNode* node, const char* name) {
  xmlChar* value = decodeStrNode1(node, name);
  if (value == nullptr) return ZRString();
  ZRString text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

}  // namespace

bool readFavoritesFile(const ZRString& path, std::vector<TZRFavorite>* out) {
  if (out == nullptr) return false;
  if (!FileExists(path)) {
    ZRLOG("loadFavorites xml file not found");
    return false;
  }
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(path.utf8().c_str(), "favorites", &document, &root, 0, 0)) {
    ZRLOG("loadFavorites xml file not loaded");
    return false;
  }
  out->clear();
  for (xmlNode* node = root->children; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE || xmlStrcmp(node->name, BAD_CAST "fav") != 0) continue;
    TZRFavorite favorite;
    favorite.name = wholeAttribute(node, "name");
    favorite.path = wholeAttribute(node, "path");
    favorite.type = decodeIntNode(node, "type");
    out->push_back(std::move(favorite));
  }
  closeXMLFile(document);
  return true;
}

bool writeFavoritesFile(const ZRString& path, const std::vector<TZRFavorite>& favorites) {
  ZRAtomicFileWriter writer(path);
  std::ofstream out;
  if (!writer.openXml(out)) {
    ZRLOG("error saving favorites to '%s'", path);
    return false;
  }
  std::string text = "<favorites version=\"1\">\n";
  for (const TZRFavorite& f : favorites) {
    text += "<fav name=\"" + escapedForXML(f.name.utf8()) + "\" path=\"" + escapedForXML(f.path.utf8()) +
            "\" type=\"" + std::to_string(f.type) + "\" />\n";
  }
  text += "</favorites>\n";
  out << text;
  if (!writer.commit(out)) {
    ZRLOG("error saving favorites to '%s'", path);
    return false;
  }
  return true;
}
