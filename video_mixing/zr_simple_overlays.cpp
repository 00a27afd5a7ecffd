#include "video_mixing/zr_simple_overlays.h"

#include <wx/checklst.h>

#include <cstring>
#include <fstream>
#include <mutex>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_c_numbers.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_xml_utils.h"
#include "video_mixing/zr_overlay_graphics_simple.h"

ZRSimpleOverlays simpleOverlays;

namespace {

std::mutex g_folderLock;
ZRString g_overlaysFolder;

ZRString overlaysFolder() {
  std::lock_guard<std::mutex> guard(g_folderLock);
  return g_overlaysFolder;
}

ZRString withSeparator(ZRString folder) {
  folder.appendSeparatorIfNeeded();
  return folder;
}

ZRString findMedia(const ZRString& file, const ZRString& base, const ZRString& overlaysPath) {
  if (file.empty()) return file;
  const ZRString candidates[] = {base + file, withSeparator(overlaysPath.getPath()) + file,
                                 overlaysFolder() + file};
  for (const ZRString& candidate : candidates) {
    if (!candidate.empty() && FileExists(candidate)) return candidate;
  }
  return ZRString();
}

int readType(xmlNode* node) {
  const ZRString type = decodeStrNode2(node, "type");
  if (type == ZRString("text")) return ZRSimpleOverlays::kTypeText;
  if (type == ZRString("imageOrVideo")) return ZRSimpleOverlays::kTypeImageOrVideo;
  return ZRSimpleOverlays::kTypeInvalid;
}

const char* fontStyleName(textStyle style) {
  switch (style) {
    case textStyleInvalid:
      return "normal";
    case textStyleBold:
      return "bold";
    case textStyleItalic:
      return "italic";
    case textStyleItalicBold:
      return "italicbold";
    case textStyleUnderline:
      return "underlined";
  }
  return nullptr;
}

const char* alignName(textAlign align) {
  if (align == textAlignInvalid) return "free";
  return encodeTextAlignStr(align);
}

void attribute(std::ostream& out, const char* name, const std::string& value) {
  out << name << "=\"" << value << "\" ";
}

}  // namespace

void ZRSimpleOverlays::setOverlaysFolder(const ZRString& folder) {
  std::lock_guard<std::mutex> guard(g_folderLock);
  g_overlaysFolder = folder.empty() ? folder : withSeparator(folder);
}

bool ZRSimpleOverlays::load(const ZRString& path, const ZRString& base) {
  const std::string file = path.utf8();
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (file.empty() || !FileExists(path) || !openXMLFile(file.c_str(), "overlays", &document, &root, 0, 0)) {
    ZRLOG("error: overlays file '%s' could not be read", file);
    return false;
  }
  std::vector<std::unique_ptr<Overlay>> items;
  for (xmlNode* node = root->children; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE ||
        std::strcmp(reinterpret_cast<const char*>(node->name), "overlay") != 0)
      continue;
    auto o = std::make_unique<Overlay>();
    o->enabled = decodeBooleanNode(node, "enabled");
    o->type = readType(node);
    o->nametext = decodeStrNode2(node, "nametext");
    o->file = findMedia(decodeStrNode2(node, "file"), base, path);
    o->font = decodeStrNode2(node, "font");
    o->fontstyle = static_cast<textStyle>(decodeTextStyleNode(node, "fontstyle"));
    o->align = static_cast<textAlign>(decodeTextAlignNode(node, "align"));
    o->fontsize = decodeIntNode(node, "fontsize");
    o->cr = decodeFloatNode(node, "cr");
    o->cg = decodeFloatNode(node, "cg");
    o->cb = decodeFloatNode(node, "cb");
    o->opacity = decodeFloatNode(node, "opacity");
    o->posx = decodeFloatNode(node, "posx");
    o->posy = decodeFloatNode(node, "posy");
    o->width = decodeFloatNode(node, "width");
    o->height = decodeFloatNode(node, "height");
    o->rotation = decodeFloatNode(node, "rotation");
    items.push_back(std::move(o));
  }
  closeXMLFile(document);
  items_.swap(items);
  return true;
}

bool ZRSimpleOverlays::save(const ZRString& path) const {
  ZRAtomicFileWriter writer(path);
  std::ofstream out;
  if (!writer.openXml(out)) {
    ZRLOG("error: overlays file '%s' could not be written", path.utf8());
    return false;
  }
  out << "<overlays version=\"1\">\n";
  int index = 0;
  for (const std::unique_ptr<Overlay>& o : items_) {
    out << "<overlay ";
    attribute(out, "index", std::to_string(++index));
    attribute(out, "enabled", o->enabled ? "1" : "0");
    if (o->type == kTypeText) attribute(out, "type", "text");
    if (o->type == kTypeImageOrVideo) attribute(out, "type", "imageOrVideo");
    attribute(out, "nametext", escapedForXML(o->nametext.utf8()));
    attribute(out, "file", escapedForXML(o->file.utf8()));
    attribute(out, "font", escapedForXML(o->font.utf8()));
    if (const char* style = fontStyleName(o->fontstyle)) attribute(out, "fontstyle", style);
    attribute(out, "fontsize", std::to_string(o->fontsize));
    if (const char* align = alignName(o->align)) attribute(out, "align", align);
    const std::pair<const char*, float> numbers[] = {
        {"cr", o->cr},           {"cg", o->cg},         {"cb", o->cb},
        {"opacity", o->opacity}, {"posx", o->posx},     {"posy", o->posy},
        {"width", o->width},     {"height", o->height}, {"rotation", o->rotation}};
    for (const auto& [name, value] : numbers) attribute(out, name, formatFixedC(value, 4));
    out << "/>\n";
  }
  out << "</overlays>\n";
  if (!writer.commit(out)) {
    ZRLOG("error: overlays file '%s' could not be written", path.utf8());
    return false;
  }
  return true;
}

int ZRSimpleOverlays::add(bool enabled, int position) {
  auto o = std::make_unique<Overlay>();
  o->enabled = enabled;
  if (position < 0 || position >= getTotalItems()) position = getTotalItems();
  items_.insert(items_.begin() + position, std::move(o));
  return position;
}

bool ZRSimpleOverlays::remove(int position) {
  if (position < 0 || position >= getTotalItems()) return false;
  items_.erase(items_.begin() + position);
  return true;
}

bool ZRSimpleOverlays::moveLine(int position, bool up) {
  const int other = up ? position - 1 : position + 1;
  if (position < 0 || position >= getTotalItems() || other < 0 || other >= getTotalItems()) return false;
  std::swap(items_[position], items_[other]);
  return true;
}

ZRSimpleOverlays::Overlay* ZRSimpleOverlays::getItem(int position) {
  return position >= 0 && position < getTotalItems() ? items_[position].get() : nullptr;
}

bool ZRSimpleOverlays::clear() {
  if (items_.empty()) return false;
  items_.clear();
  return true;
}

void ZRSimpleOverlays::addItemsToCheckListBox(wxCheckListBox* box) const {
  if (box == nullptr) return;
  for (const std::unique_ptr<Overlay>& o : items_) {
    const char* suffix = o->type == kTypeText           ? " (text)"
                         : o->type == kTypeImageOrVideo ? " (image/video)"
                                                        : " (unknown type)";
    const int line = box->Append(wxString::FromUTF8((o->nametext + ZRString(suffix)).utf8()));
    box->Check(line, o->enabled);
  }
}

void ZRSimpleOverlays::addItemsToLayer(ZROverlayGraphicsSimple* layer) const {
  if (layer == nullptr) return;
  for (const std::unique_ptr<Overlay>& o : items_) {
    if (!o->enabled) continue;
    if (o->type == kTypeText) {
      layer->addItemText(o->nametext.utf8().c_str(), o->posx, o->posy, o->width, o->height, o->fontsize,
                         o->font.utf8().c_str(), o->cr, o->cg, o->cb, o->opacity, o->rotation, o->fontstyle,
                         o->align);
    } else if (o->type == kTypeImageOrVideo) {
      layer->addItemImageOrVideo(o->file.utf8().c_str(), o->posx, o->posy, o->width, o->height, o->opacity,
                                 o->rotation, o->align);
    } else {
      ZRLOG("error: adding unknown type to layer");
    }
  }
}
