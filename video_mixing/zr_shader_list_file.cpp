#include "video_mixing/zr_shader_list_file.h"

#include <libxml/parser.h>

#include <climits>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_xml_utils.h"

bool parseShaderList(const char* data, size_t size, std::vector<ZRShaderListEntry>& entries, int& current) {
  if (data == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) return false;
  xmlDoc* doc = xmlReadMemory(data, static_cast<int>(size), nullptr, nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) return false;
  xmlNode* root = xmlDocGetRootElement(doc);
  if (root == nullptr || xmlStrcmp(root->name, BAD_CAST "shaders") != 0) {
    xmlFreeDoc(doc);
    return false;
  }
  bool found = false;
  const int index = decodeIntNode(root, "currentShader", &found);
  std::vector<ZRShaderListEntry> read;
  for (xmlNode* child = root->children; child != nullptr; child = child->next) {
    if (child->type != XML_ELEMENT_NODE || xmlStrcmp(child->name, BAD_CAST "shader") != 0) continue;
    read.push_back({decodeStrNode2(child, "name"), decodeStrNode2(child, "shaderID"),
                    decodeStrNode2(child, "filename")});
  }
  xmlFreeDoc(doc);
  entries = std::move(read);
  current = found ? index : -1;
  return true;
}

std::string shaderListBody(const std::vector<ZRShaderListEntry>& entries, int current) {
  std::string out = "<shaders version=\"1\" currentShader=\"" + std::to_string(current) + "\">\n";
  for (const ZRShaderListEntry& e : entries) {
    out += "<shader shaderID=\"" + escapedForXML(e.shaderID.utf8()) + "\" name=\"" +
           escapedForXML(e.name.utf8()) + "\" filename=\"" + escapedForXML(e.filename.utf8()) + "\" />\n";
  }
  out += "</shaders>\n";
  return out;
}

bool writeShaderList(const ZRString& path, const std::vector<ZRShaderListEntry>& entries, int current) {
  ZRAtomicFileWriter writer(path);
  std::ofstream out;
  if (!writer.openXml(out)) return false;
  out << shaderListBody(entries, current);
  return writer.commit(out);
}
