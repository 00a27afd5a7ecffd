#include "common/zr_xml_utils.h"

#include <libxml/parser.h>
#include <string.h>

#include <cctype>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "common/zr_c_numbers.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_utf8_cut.h"

namespace {

const xmlChar* X(const char* text) {
  return reinterpret_cast<const xmlChar*>(text);
}

const char* C(const xmlChar* text) {
  return reinterpret_cast<const char*>(text);
}

void setFound(bool* found, bool value) {
  if (found != nullptr) *found = value;
}

ZRString cutString(const xmlChar* value) {
  const char* text = C(value);
  size_t length = utf8CutLength(text, strlen(text), kXmlMaxStringBytes);
  return ZRString(std::string_view(text, length));
}

bool isTrueWord(const xmlChar* value) {
  char upper[8];
  size_t n = 0;
  for (const xmlChar* p = value; *p != 0; ++p) {
    if (n + 1 >= sizeof(upper)) return false;
    upper[n++] = static_cast<char>(toupper(*p));
  }
  upper[n] = 0;
  return strcmp(upper, "OK") == 0 || strcmp(upper, "YES") == 0 || strcmp(upper, "Y") == 0 ||
         strcmp(upper, "TRUE") == 0 || strcmp(upper, "1") == 0;
}

// The value of an attribute of a stream reader's element, or null; the
// caller frees it with xmlFree.
xmlChar* readerValue(xmlTextReaderPtr reader, const char* name, bool* found) {
  setFound(found, false);
  if (reader == nullptr || name == nullptr) return nullptr;
  if (xmlTextReaderMoveToAttribute(reader, X(name)) != 1) return nullptr;
  xmlChar* value = xmlTextReaderValue(reader);
  if (value != nullptr) setFound(found, true);
  return value;
}

void initParserOnce() {
  // libxml2 must be set up once before threads parse concurrently.
  static std::once_flag once;
  std::call_once(once, [] { xmlInitParser(); });
}

// The parser's messages about one file go to the log, at most this many; a damaged file must not
// flood it.
constexpr int kLoggedXmlErrors = 5;

struct XmlErrorLog {
  const char* path;
  int count = 0;
};

void logXmlError(void* userData, xmlErrorPtr error) {
  auto* parser = static_cast<xmlParserCtxtPtr>(userData);
  auto* log = parser != nullptr ? static_cast<XmlErrorLog*>(parser->_private) : nullptr;
  if (log == nullptr || error == nullptr) return;
  if (log->count++ >= kLoggedXmlErrors) return;
  std::string message = error->message != nullptr ? error->message : "";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  ZRLOG("error: XML '%s' line %d: %s", log->path, error->line, message);
}

}  // namespace

xmlDoc* readXmlFileLogged(const char* path, int options) {
  initParserOnce();
  xmlParserCtxtPtr parser = xmlNewParserCtxt();
  if (parser == nullptr) return nullptr;
  XmlErrorLog log{path};
  // The parser hands its own context to the handler; the count rides along in its user slot.
  parser->_private = &log;
  parser->sax->serror = logXmlError;
  xmlDoc* document = xmlCtxtReadFile(parser, path, nullptr, options);
  xmlFreeParserCtxt(parser);
  if (log.count > kLoggedXmlErrors)
    ZRLOG("error: XML '%s': %d more messages not shown", path, log.count - kLoggedXmlErrors);
  return document;
}

void EscapeStrForXML(const char* source, char* destination) {
  if (destination == nullptr) return;
  char* out = destination;
  if (source != nullptr) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(source);
    while (*p != 0) {
      unsigned char c = *p;
      if (c == 0xEF && p[1] == 0xBF && (p[2] == 0xBE || p[2] == 0xBF)) {
        p += 3;
        continue;
      }
      const char* entity = nullptr;
      switch (c) {
        case 9:
          entity = "&#x09;";
          break;
        case 10:
          entity = "&#x0A;";
          break;
        case 13:
          entity = "&#x0D;";
          break;
        case '"':
          entity = "&quot;";
          break;
        case '&':
          entity = "&amp;";
          break;
        case '\'':
          entity = "&#39;";
          break;
        case '<':
          entity = "&lt;";
          break;
        case '>':
          entity = "&gt;";
          break;
        default:
          break;
      }
      if (entity != nullptr) {
        size_t n = strlen(entity);
        memcpy(out, entity, n);
        out += n;
      } else if (c < 32) {
        *out++ = ' ';
      } else {
        *out++ = static_cast<char>(c);
      }
      ++p;
    }
  }
  *out = 0;
}

std::string escapedForXML(const std::string& source) {
  std::vector<char> buffer(source.size() * 6 + 1);
  EscapeStrForXML(source.c_str(), buffer.data());
  return std::string(buffer.data());
}

void escapeStrForCSV(const char* source, char* destination) {
  if (destination == nullptr) return;
  char* out = destination;
  *out++ = '"';
  if (source != nullptr) {
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(source); *p != 0; ++p) {
      if (*p <= 32) {
        *out++ = ' ';
      } else if (*p == '"') {
        *out++ = '"';
        *out++ = '"';
      } else {
        *out++ = static_cast<char>(*p);
      }
    }
  }
  *out++ = '"';
  *out = 0;
}

xmlChar* decodeStrNode1(xmlNode* node, const char* name) {
  if (node == nullptr || name == nullptr) return nullptr;
  return xmlGetProp(node, X(name));
}

ZRString decodeStrNode2(xmlNode* node, const char* name, bool* found) {
  setFound(found, false);
  xmlChar* value = decodeStrNode1(node, name);
  if (value == nullptr) return ZRString();
  ZRString result = cutString(value);
  xmlFree(value);
  setFound(found, true);
  return result;
}

int decodeIntNode(xmlNode* node, const char* name, bool* found) {
  setFound(found, false);
  xmlChar* value = decodeStrNode1(node, name);
  if (value == nullptr) return -1;
  int result = atoiC(C(value));
  xmlFree(value);
  setFound(found, true);
  return result;
}

bool decodeBooleanNode(xmlNode* node, const char* name, bool* found) {
  setFound(found, false);
  xmlChar* value = decodeStrNode1(node, name);
  if (value == nullptr) return false;
  bool result = isTrueWord(value);
  xmlFree(value);
  setFound(found, true);
  return result;
}

float decodeFloatNode(xmlNode* node, const char* name, bool* found) {
  setFound(found, false);
  xmlChar* value = decodeStrNode1(node, name);
  if (value == nullptr) return 0.0f;
  float result = static_cast<float>(atofC(C(value)));
  xmlFree(value);
  setFound(found, true);
  return result;
}

int decodeTextAlignNode(xmlNode* node, const char* name) {
  xmlChar* value = decodeStrNode1(node, name);
  if (value == nullptr) return -1;
  int result = decodeTextAlignStr(C(value));
  xmlFree(value);
  return result;
}

int decodeTextStyleNode(xmlNode* node, const char* name) {
  xmlChar* value = decodeStrNode1(node, name);
  if (value == nullptr) return -1;
  int result = decodeTextStyleStr(C(value));
  xmlFree(value);
  return result;
}

ZRString decodeNewStrNode2(xmlTextReaderPtr reader, const char* name, bool* found) {
  xmlChar* value = readerValue(reader, name, found);
  if (value == nullptr) return ZRString();
  ZRString result = cutString(value);
  xmlFree(value);
  return result;
}

int decodeNewIntNode(xmlTextReaderPtr reader, const char* name, bool* found) {
  xmlChar* value = readerValue(reader, name, found);
  if (value == nullptr) return -1;
  int result = atoiC(C(value));
  xmlFree(value);
  return result;
}

bool decodeNewBooleanNode(xmlTextReaderPtr reader, const char* name, bool* found) {
  xmlChar* value = readerValue(reader, name, found);
  if (value == nullptr) return false;
  bool result = isTrueWord(value);
  xmlFree(value);
  return result;
}

float decodeNewFloatNode(xmlTextReaderPtr reader, const char* name, bool* found) {
  xmlChar* value = readerValue(reader, name, found);
  if (value == nullptr) return 0.0f;
  float result = static_cast<float>(atofC(C(value)));
  xmlFree(value);
  return result;
}

ZRColorFloat decodeNewColorNode2(xmlTextReaderPtr reader, const char* name, bool* found) {
  unsigned char r = 0, g = 0, b = 0, a = 255;
  xmlChar* value = readerValue(reader, name, found);
  if (value != nullptr) {
    getHtmlHexColor(C(value), r, g, b, a);
    xmlFree(value);
  }
  ZRColorFloat color;
  color.r = r / 255.0f;
  color.g = g / 255.0f;
  color.b = b / 255.0f;
  color.a = a / 255.0f;
  return color;
}

void XMLGetNodeContentString(xmlNode* node, ZRString* out) {
  if (node == nullptr || out == nullptr) return;
  xmlChar* content = xmlNodeGetContent(node);
  if (content == nullptr) return;
  *out = ZRString(C(content));
  xmlFree(content);
}

int XMLGetNodeContentInt(xmlNode* node) {
  if (node == nullptr) return 0;
  xmlChar* content = xmlNodeGetContent(node);
  if (content == nullptr) return 0;
  int result = ZRString(C(content)).toInt();
  xmlFree(content);
  return result;
}

bool XMLGetNodeContentBool(xmlNode* node) {
  return node != nullptr && node->name != nullptr && xmlStrcmp(node->name, X("true")) == 0;
}

int XMLGetNodeType(xmlNode* node) {
  if (node == nullptr || node->name == nullptr) return 0;
  static const struct {
    const char* name;
    int kind;
  } kKinds[] = {{"plist", 100}, {"key", 1},  {"integer", 2}, {"string", 3}, {"dict", 4}, {"array", 5},
                {"date", 6},    {"data", 7}, {"true", 8},    {"false", 8},  {"real", 9}};
  for (const auto& k : kKinds) {
    if (strcmp(C(node->name), k.name) == 0) return k.kind;
  }
  return 0;
}

bool openXMLFile(const char* path, const char* rootName, xmlDoc** document, xmlNode** node, int firstChild,
                 int showDebugInfo) {
  if (showDebugInfo) ZRLOG("openXMLFile starting (showDebugInfo=true)");
  if (path == nullptr || rootName == nullptr || document == nullptr || node == nullptr) {
    if (showDebugInfo) ZRLOG("error: params not ok (NULL)");
    return false;
  }
  if (!FileExists(path)) {
    if (showDebugInfo) ZRLOG("error: file does not exist");
    return false;
  }
  initParserOnce();
  *node = nullptr;
  // Never fetch anything from the network while reading a local file.
  *document = readXmlFileLogged(path, XML_PARSE_NONET);
  if (showDebugInfo) ZRLOG("xmlParseFile finished");
  if (*document == nullptr) {
    ZRLOG("error: XML not parsed successfully '%s'", path);
    return false;
  }
  xmlNode* root = xmlDocGetRootElement(*document);
  if (showDebugInfo) ZRLOG("xmlDocGetRootElement finished");
  if (root == nullptr) {
    ZRLOG("error: XML is empty '%s'", path);
    xmlFreeDoc(*document);
    *document = nullptr;
    return false;
  }
  if (root->name == nullptr || strcmp(C(root->name), rootName) != 0) {
    ZRLOG("error: XML root node is NOT '%s' in '%s'", rootName, path);
    xmlFreeDoc(*document);
    *document = nullptr;
    return false;
  }
  *node = root;
  if (firstChild) {
    *node = root->children;
    if (showDebugInfo) ZRLOG("getting xmlChildrenNode finished");
  }
  if (showDebugInfo) ZRLOG("XML parsed OK");
  return true;
}

void closeXMLFile(xmlDoc* document) {
  if (document != nullptr) xmlFreeDoc(document);
}
