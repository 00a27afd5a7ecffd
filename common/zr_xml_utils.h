#pragma once
// The shared layer over libxml2 through which the system reads its XML:
// escaping texts for XML attributes and CSV fields, typed attribute readers
// for whole documents (DOM) and for the stream reader, node-content getters
// for property-list files, and opening a document with its root-element test.
//
// Typed readers that take a found flag accept null; when given it is set to
// false first and to true only when the attribute exists and its value could
// be read. A missing attribute gives the reader's default. Texts are UTF-8;
// string readers keep at most the first 8191 bytes of a value, cut before a
// character that would not fit whole.
//
// Every XML file the system writes starts with writeXmlHeaderUTF8 and is
// written through ZRAtomicFileWriter; attribute texts pass EscapeStrForXML.
//
// No state and no lock: a document or reader is used by one thread at a time.

#include <libxml/tree.h>
#include <libxml/xmlreader.h>

#include <string>

#include "common/zr_string.h"
#include "common/zr_value_codecs.h"

// The longest text a string reader returns, in bytes.
constexpr int kXmlMaxStringBytes = 8191;

// Escapes source for an XML attribute into destination (up to 6 bytes per
// source byte plus 1): the non-characters U+FFFE and U+FFFF are dropped,
// control bytes other than tab, line feed and carriage return become a space,
// tab, line feed and carriage return become "&#x09;", "&#x0A;", "&#x0D;",
// and " & ' < > become "&quot;", "&amp;", "&#39;", "&lt;", "&gt;". A null
// source gives "".
void EscapeStrForXML(const char* source, char* destination);
// The same for a whole UTF-8 text, returned.
std::string escapedForXML(const std::string& source);

// One quoted CSV field into destination (up to 2 bytes per source byte plus
// 3): bytes up to 32 become a space, a double quote is doubled.
void escapeStrForCSV(const char* source, char* destination);

// Attribute readers of a DOM element.
// The value as libxml2 returns it (free it with xmlFree), or null.
xmlChar* decodeStrNode1(xmlNode* node, const char* name);
// The value cut at 8191 bytes; "" when missing.
ZRString decodeStrNode2(xmlNode* node, const char* name, bool* found = nullptr);
// atoi of the value (clamped to the int range); -1 when missing.
int decodeIntNode(xmlNode* node, const char* name, bool* found = nullptr);
// true for "OK", "YES", "Y", "TRUE" or "1" ignoring case; false when missing.
bool decodeBooleanNode(xmlNode* node, const char* name, bool* found = nullptr);
// atof of the value in the C locale; 0 when missing.
float decodeFloatNode(xmlNode* node, const char* name, bool* found = nullptr);
// decodeTextAlignStr / decodeTextStyleStr of the value; -1 when missing.
int decodeTextAlignNode(xmlNode* node, const char* name);
int decodeTextStyleNode(xmlNode* node, const char* name);

// Attribute readers of a stream reader positioned on an element. A found
// attribute leaves the reader on it: call xmlTextReaderMoveToElement to get
// back to the element.
ZRString decodeNewStrNode2(xmlTextReaderPtr reader, const char* name, bool* found);
int decodeNewIntNode(xmlTextReaderPtr reader, const char* name, bool* found);
bool decodeNewBooleanNode(xmlTextReaderPtr reader, const char* name, bool* found);
float decodeNewFloatNode(xmlTextReaderPtr reader, const char* name, bool* found);
// '#' and six or eight hexadecimal digits (red, green, blue, optional alpha),
// each channel divided by 255; opaque black when missing or not readable.
ZRColorFloat decodeNewColorNode2(xmlTextReaderPtr reader, const char* name, bool* found);

// Node content (property-list files).
// out receives the node's text content; unchanged for a null node or none.
void XMLGetNodeContentString(xmlNode* node, ZRString* out);
// The content's leading decimal integer; 0 when none or node is null.
int XMLGetNodeContentInt(xmlNode* node);
// The node is an element named exactly "true".
bool XMLGetNodeContentBool(xmlNode* node);
// Property-list kind of the element name: plist 100, key 1, integer 2,
// string 3, dict 4, array 5, date 6, data 7, true or false 8, real 9, else 0.
int XMLGetNodeType(xmlNode* node);

// Parses the file at path (UTF-8) and checks that its root element is named
// rootName. true with *document (free it with closeXMLFile) and *node the
// root element, or with firstChild non-zero the root's first child (which may
// be a text node or null). false, with nothing to free, for null arguments, a
// missing file, or a file that does not parse, is empty or has another root
// (those three are logged). showDebugInfo logs each step.
bool openXMLFile(const char* path, const char* rootName, xmlDoc** document, xmlNode** node, int firstChild,
                 int showDebugInfo);
void closeXMLFile(xmlDoc* document);
// xmlReadFile with the parser's messages in the log instead of on the standard error, at most a few
// lines for one file (then one line with the number left out). Null when the file is not read.
xmlDoc* readXmlFileLogged(const char* path, int options);
