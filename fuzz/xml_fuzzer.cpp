// The shared XML readers: a document opened with its root test and every element's attributes read
// through the typed DOM readers, the same through the stream reader, property-list node contents, and
// the escaping of the raw text for XML attributes and CSV fields.

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <cstdint>
#include <string>
#include <vector>

#include "common/zr_xml_utils.h"
#include "fuzz_support.h"

namespace {

void readAttributes(xmlNode* element) {
  for (xmlAttr* a = element->properties; a != nullptr; a = a->next) {
    const char* name = reinterpret_cast<const char*>(a->name);
    if (xmlChar* raw = decodeStrNode1(element, name)) xmlFree(raw);
    bool found = false;
    decodeStrNode2(element, name, &found);
    decodeIntNode(element, name, &found);
    decodeBooleanNode(element, name, &found);
    decodeFloatNode(element, name, &found);
    decodeTextAlignNode(element, name);
    decodeTextStyleNode(element, name);
  }
  ZRString content;
  XMLGetNodeContentString(element, &content);
  XMLGetNodeContentInt(element);
  XMLGetNodeContentBool(element);
  XMLGetNodeType(element);
}

// Every element, depth first, without recursion (a hostile document nests deeply).
void walk(xmlNode* root) {
  std::vector<xmlNode*> pending{root};
  while (!pending.empty()) {
    xmlNode* node = pending.back();
    pending.pop_back();
    for (; node != nullptr; node = node->next) {
      if (node->type != XML_ELEMENT_NODE) continue;
      readAttributes(node);
      if (node->children != nullptr) pending.push_back(node->children);
    }
  }
}

void readStream(const uint8_t* data, size_t size) {
  xmlTextReaderPtr reader = xmlReaderForMemory(reinterpret_cast<const char*>(data), static_cast<int>(size),
                                               nullptr, nullptr, XML_PARSE_NONET);
  if (reader == nullptr) return;
  for (int steps = 0; steps < 100000 && xmlTextReaderRead(reader) == 1; ++steps) {
    if (xmlTextReaderNodeType(reader) != XML_READER_TYPE_ELEMENT) continue;
    std::vector<std::string> names;
    while (xmlTextReaderMoveToNextAttribute(reader) == 1 && names.size() < 64) {
      names.emplace_back(reinterpret_cast<const char*>(xmlTextReaderConstName(reader)));
    }
    xmlTextReaderMoveToElement(reader);
    for (const std::string& name : names) {
      bool found = false;
      decodeNewStrNode2(reader, name.c_str(), &found);
      decodeNewIntNode(reader, name.c_str(), &found);
      decodeNewBooleanNode(reader, name.c_str(), &found);
      decodeNewFloatNode(reader, name.c_str(), &found);
      decodeNewColorNode2(reader, name.c_str(), &found);
      xmlTextReaderMoveToElement(reader);
    }
  }
  xmlFreeTextReader(reader);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  orvel_fuzz::quietXmlErrors();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Opened as a property list (the form of the iTunes library file) and as any other document; a root
  // of another name takes the refusal path.
  const std::string path = orvel_fuzz::writeScratchFile("document.xml", data, size);
  if (!path.empty()) {
    for (const char* root : {"plist", "document"}) {
      xmlDoc* document = nullptr;
      xmlNode* node = nullptr;
      if (openXMLFile(path.c_str(), root, &document, &node, 0, 0)) {
        walk(node);
        closeXMLFile(document);
      }
    }
  }
  readStream(data, size);
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<char> escaped(6 * text.size() + 1), csv(2 * text.size() + 3);
  EscapeStrForXML(text.c_str(), escaped.data());
  escapeStrForCSV(text.c_str(), csv.data());
  return 0;
}
