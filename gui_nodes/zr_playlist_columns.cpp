#include "gui_nodes/zr_playlist_columns.h"

#include <algorithm>
#include <fstream>
#include <string>

#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_atomic_file_writer.h"
#include "common/zr_logging.h"
#include "common/zr_xml_utils.h"
#include "database/zr_database_track.h"
#include "tags/zr_tag.h"

namespace {

constexpr int kLargestMaxWidth = 1000;

struct DefaultColumn {
  int width, minWidth, align;
  bool allowHide;
};

// In tag field order.
constexpr DefaultColumn kDefaults[kTagFieldCount] = {
    {60, 60, 3, false}, {110, 30, 7, false}, {150, 30, 7, false}, {42, 30, 3, true},
    {42, 30, 3, true},  {73, 30, 7, true},   {60, 30, 7, true},   {100, 30, 7, true},
    {100, 30, 7, true}, {42, 30, 3, true},   {42, 30, 3, true},   {200, 30, 7, true},
};

const char* flag(bool on) {
  return on ? "1" : "0";
}

}  // namespace

ZRString columnNameForTagField(int tagField) {
  return getTextName(txt_tag_no + tagField);
}

std::vector<TZRColumn> defaultPlaylistColumns() {
  std::vector<TZRColumn> columns;
  for (int field = 0; field < kTagFieldCount; ++field) {
    TZRColumn c;
    c.name = columnNameForTagField(field);
    c.tagField = field;
    c.visible = true;
    c.allowHide = kDefaults[field].allowHide;
    c.width = kDefaults[field].width;
    c.minWidth = kDefaults[field].minWidth;
    c.maxWidth = 300;
    c.align = kDefaults[field].align;
    columns.push_back(c);
  }
  return columns;
}

bool readColumnsFile(const ZRString& path, TZRColumnsFile* out) {
  if (out == nullptr) return false;
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(path.utf8().c_str(), "columns", &document, &root, 0, 0)) return false;
  TZRColumnsFile file;
  file.sortBlocked = decodeBooleanNode(root, "sortBlocked");
  file.resizeBlocked = decodeBooleanNode(root, "resizeBlocked");
  bool seen[kTagFieldCount] = {};
  for (xmlNode* node = root->children; node != nullptr; node = node->next) {
    if (node->type != XML_ELEMENT_NODE || xmlStrcmp(node->name, BAD_CAST "column") != 0) continue;
    const ZRString id = decodeStrNode2(node, "actualColumn");
    const int field = ZRTag::getTagID(id.utf8().c_str());
    if (field < 0 || field >= kTagFieldCount) continue;
    if (seen[field]) {
      ZRLOG("columns file '%s': column '%s' is listed twice; the second is skipped", path, id);
      continue;
    }
    seen[field] = true;
    TZRColumn c;
    c.tagField = field;
    c.visible = decodeBooleanNode(node, "visible");
    c.allowHide = decodeBooleanNode(node, "allowhide");
    c.width = decodeIntNode(node, "width");
    if (c.width < 30) c.width = 100;
    c.minWidth = decodeIntNode(node, "minwidth");
    if (c.minWidth < 10) c.minWidth = 30;
    c.maxWidth = decodeIntNode(node, "maxwidth");
    if (c.maxWidth > kLargestMaxWidth || c.maxWidth < c.minWidth) c.maxWidth = 300;
    // The width has no bound in the file; beyond the column's maximum it would ask for drawing contexts
    // of any size.
    c.width = std::min(c.width, std::max(c.maxWidth, c.minWidth));
    c.width = std::min(c.width, kLargestMaxWidth);
    c.align = decodeIntNode(node, "align");
    if (c.align < 0 || c.align > 8) c.align = 7;
    c.name = decodeStrNode2(node, "name");
    if (c.name.empty()) c.name = columnNameForTagField(field);
    file.columns.push_back(c);
  }
  closeXMLFile(document);
  *out = std::move(file);
  return true;
}

bool writeColumnsFile(const ZRString& path, const std::vector<TZRColumn>& columns, bool sortBlocked,
                      bool resizeBlocked) {
  ZRAtomicFileWriter writer(path);
  std::ofstream out;
  if (!writer.openXml(out)) {
    ZRLOG("error saving columns to '%s'", path);
    return false;
  }
  std::string text = std::string("<columns version=\"1\" sortBlocked=\"") + flag(sortBlocked) +
                     "\" resizeBlocked=\"" + flag(resizeBlocked) + "\">\n";
  for (const TZRColumn& c : columns) {
    text += "<column name=\"" + escapedForXML(c.name.utf8()) + "\" visible=\"" + flag(c.visible) +
            "\" allowhide=\"" + flag(c.allowHide) + "\" width=\"" + std::to_string(c.width) +
            "\" minwidth=\"" + std::to_string(c.minWidth) + "\" maxwidth=\"" + std::to_string(c.maxWidth) +
            "\" align=\"" + std::to_string(c.align) + "\" actualColumn=\"" + ZRTag::getTagID2(c.tagField) +
            "\" />\n";
  }
  text += "</columns>\n";
  out << text;
  if (!writer.commit(out)) {
    ZRLOG("error saving columns to '%s'", path);
    return false;
  }
  return true;
}
