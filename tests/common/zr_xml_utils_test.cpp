#include "common/zr_xml_utils.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "thread_log_xml_fixture.h"

using orvel_test::TempDir;
using orvel_test::writeFile;

namespace {

class ZRXmlUtilsTest : public orvel_test::ThreadLogXmlTest {
 protected:
  // Parses one element <e .../> from text and keeps it for the readers (until the next one).
  xmlNode* element(const std::string& attributes) {
    std::string xml = "<e " + attributes + "/>";
    if (doc_) xmlFreeDoc(doc_);
    doc_ = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, 0);
    return doc_ ? xmlDocGetRootElement(doc_) : nullptr;
  }
  ~ZRXmlUtilsTest() override {
    if (doc_) xmlFreeDoc(doc_);
  }

  xmlDoc* doc_ = nullptr;
  TempDir dir_;
};

std::string escapeXml(const std::string& source) {
  std::vector<char> out(source.size() * 6 + 1);
  EscapeStrForXML(source.c_str(), out.data());
  return out.data();
}

std::string escapeCsv(const std::string& source) {
  std::vector<char> out(source.size() * 2 + 3);
  escapeStrForCSV(source.c_str(), out.data());
  return out.data();
}

}  // namespace

TEST_F(ZRXmlUtilsTest, EscapeForXml) {
  struct Case {
    std::string in, out;
  } cases[] = {
      {"<a> & \"b\" 'c'", "&lt;a&gt; &amp; &quot;b&quot; &#39;c&#39;"},
      {"t\tl\nr\r", "t&#x09;l&#x0A;r&#x0D;"},
      {"bell\x07!", "bell !"},
      {"caf\xC3\xA9", "caf\xC3\xA9"},
      {"x\xEF\xBF\xBFy\xEF\xBF\xBEz", "xyz"},
      {"end\xEF\xBF", "end\xEF\xBF"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(escapeXml(c.in), c.out) << c.in;
  char out[4] = "xyz";
  EscapeStrForXML(nullptr, out);
  EXPECT_STREQ(out, "");
}

TEST_F(ZRXmlUtilsTest, EscapeForCsv) {
  EXPECT_EQ(escapeCsv("say \"hi\" now\n"), "\"say \"\"hi\"\" now \"");
  EXPECT_EQ(escapeCsv(""), "\"\"");
  EXPECT_EQ(escapeCsv("a\tb\xC3\xA9"), "\"a b\xC3\xA9\"");
}

TEST_F(ZRXmlUtilsTest, BooleanIntAndFloatReaders) {
  const char* trueValues[] = {"yes", "Yes", "y", "ok", "true", "1"};
  const char* falseValues[] = {"on", "no", "2", "", "yess", "true1"};
  for (const char* v : trueValues) {
    bool found = false;
    EXPECT_TRUE(decodeBooleanNode(element(std::string("v=\"") + v + "\""), "v", &found)) << v;
    EXPECT_TRUE(found);
  }
  for (const char* v : falseValues) {
    bool found = false;
    EXPECT_FALSE(decodeBooleanNode(element(std::string("v=\"") + v + "\""), "v", &found)) << v;
    EXPECT_TRUE(found);
  }
  xmlNode* node = element("i=\"12abc\" j=\"abc\" big=\"99999999999\" f=\"0.5\" g=\"-2.25e1x\"");
  bool found = true;
  EXPECT_FALSE(decodeBooleanNode(node, "none", &found));
  EXPECT_FALSE(found);
  EXPECT_EQ(decodeIntNode(node, "i", &found), 12);
  EXPECT_TRUE(found);
  EXPECT_EQ(decodeIntNode(node, "j", &found), 0);
  EXPECT_TRUE(found);
  EXPECT_EQ(decodeIntNode(node, "big"), 2147483647);
  EXPECT_EQ(decodeIntNode(node, "none", &found), -1);
  EXPECT_FALSE(found);
  EXPECT_FLOAT_EQ(decodeFloatNode(node, "f"), 0.5f);
  EXPECT_FLOAT_EQ(decodeFloatNode(node, "g"), -22.5f);
  EXPECT_EQ(decodeFloatNode(node, "none", &found), 0.0f);
  EXPECT_FALSE(found);
  EXPECT_EQ(decodeIntNode(nullptr, "i"), -1);
}

TEST_F(ZRXmlUtilsTest, StringsAreCutAtACharacterBoundary) {
  xmlNode* node = element("s=\"" + std::string(10000, 'a') + "\"");
  bool found = false;
  EXPECT_EQ(decodeStrNode2(node, "s", &found).utf8(), std::string(8191, 'a'));
  EXPECT_TRUE(found);

  // Byte 8191 falls inside a two-, three- or four-byte character: the whole
  // character goes, never part of it.
  const std::string chars[] = {"\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x8E\xB5"};
  for (const std::string& ch : chars) {
    std::string prefix(8190, 'a');
    node = element("s=\"" + prefix + ch + "tail\"");
    ZRString cut = decodeStrNode2(node, "s", &found);
    EXPECT_TRUE(found);
    EXPECT_EQ(cut.utf8(), prefix) << ch.size();
  }
  EXPECT_TRUE(decodeStrNode2(node, "none", &found).empty());
  EXPECT_FALSE(found);

  node = element("s=\"a&amp;b\"");
  xmlChar* raw = decodeStrNode1(node, "s");
  ASSERT_NE(raw, nullptr);
  EXPECT_STREQ(reinterpret_cast<char*>(raw), "a&b");
  xmlFree(raw);
  EXPECT_EQ(decodeStrNode1(node, "none"), nullptr);
}

TEST_F(ZRXmlUtilsTest, AlignAndStyle) {
  xmlNode* node = element("a=\"TopLeft\" b=\"middle\" s=\"BoldItalic\"");
  EXPECT_EQ(decodeTextAlignNode(node, "a"), 8);
  EXPECT_EQ(decodeTextAlignNode(node, "b"), -1);
  EXPECT_EQ(decodeTextAlignNode(node, "none"), -1);
  EXPECT_EQ(decodeTextStyleNode(node, "s"), 2);
  EXPECT_EQ(decodeTextStyleNode(node, "none"), -1);
}

TEST_F(ZRXmlUtilsTest, StreamReaderAttributes) {
  const std::string xml =
      "<t c1=\"#FF000080\" c2=\"#00FF00\" c3=\"red\" n=\"12abc\" b=\"Yes\" f=\"1.25\" s=\"caf&#233;\"/>";
  xmlTextReaderPtr reader = xmlReaderForMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, 0);
  ASSERT_NE(reader, nullptr);
  ASSERT_EQ(xmlTextReaderRead(reader), 1);
  bool found = false;
  ZRColorFloat c = decodeNewColorNode2(reader, "c1", &found);
  EXPECT_TRUE(found);
  EXPECT_FLOAT_EQ(c.r, 1.0f);
  EXPECT_FLOAT_EQ(c.g, 0.0f);
  EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
  c = decodeNewColorNode2(reader, "c2", nullptr);
  EXPECT_FLOAT_EQ(c.g, 1.0f);
  EXPECT_FLOAT_EQ(c.a, 1.0f);
  c = decodeNewColorNode2(reader, "c3", &found);
  EXPECT_TRUE(found);
  EXPECT_FLOAT_EQ(c.r + c.g + c.b, 0.0f);
  EXPECT_FLOAT_EQ(c.a, 1.0f);
  c = decodeNewColorNode2(reader, "none", &found);
  EXPECT_FALSE(found);
  EXPECT_FLOAT_EQ(c.a, 1.0f);
  EXPECT_EQ(decodeNewIntNode(reader, "n", &found), 12);
  EXPECT_EQ(decodeNewIntNode(reader, "none", &found), -1);
  EXPECT_FALSE(found);
  EXPECT_TRUE(decodeNewBooleanNode(reader, "b", &found));
  EXPECT_FLOAT_EQ(decodeNewFloatNode(reader, "f", &found), 1.25f);
  EXPECT_EQ(decodeNewStrNode2(reader, "s", &found).utf8(), "caf\xC3\xA9");
  EXPECT_TRUE(found);
  EXPECT_TRUE(decodeNewStrNode2(reader, "none", &found).empty());
  EXPECT_FALSE(found);
  xmlFreeTextReader(reader);
}

TEST_F(ZRXmlUtilsTest, PropertyListNodes) {
  const std::string xml =
      "<plist><dict><key>Track ID</key><integer>42x</integer><true/><false/><Dict/><real>1</real>"
      "<string>a &amp; b</string></dict></plist>";
  doc_ = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), nullptr, nullptr, 0);
  ASSERT_NE(doc_, nullptr);
  xmlNode* plist = xmlDocGetRootElement(doc_);
  EXPECT_EQ(XMLGetNodeType(plist), 100);
  std::vector<int> kinds;
  std::vector<xmlNode*> nodes;
  for (xmlNode* n = plist->children->children; n != nullptr; n = n->next) {
    kinds.push_back(XMLGetNodeType(n));
    nodes.push_back(n);
  }
  EXPECT_EQ(kinds, (std::vector<int>{1, 2, 8, 8, 0, 9, 3}));
  EXPECT_EQ(XMLGetNodeType(plist->children), 4);
  EXPECT_EQ(XMLGetNodeContentInt(nodes[1]), 42);
  EXPECT_EQ(XMLGetNodeContentInt(nullptr), 0);
  EXPECT_TRUE(XMLGetNodeContentBool(nodes[2]));
  EXPECT_FALSE(XMLGetNodeContentBool(nodes[3]));
  EXPECT_FALSE(XMLGetNodeContentBool(nullptr));
  ZRString text("unchanged");
  XMLGetNodeContentString(nullptr, &text);
  EXPECT_EQ(text.utf8(), "unchanged");
  XMLGetNodeContentString(nodes[6], &text);
  EXPECT_EQ(text.utf8(), "a & b");
}

TEST_F(ZRXmlUtilsTest, OpenFileChecksRootAndLogsFailures) {
  const std::string good = dir_.file("good.xml");
  ASSERT_TRUE(writeFile(good, "\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<skin version=\"3\">\n<a/></skin>\n"));
  xmlDoc* doc = nullptr;
  xmlNode* node = nullptr;
  ASSERT_TRUE(openXMLFile(good.c_str(), "skin", &doc, &node, 0, 0));
  EXPECT_STREQ(reinterpret_cast<const char*>(node->name), "skin");
  closeXMLFile(doc);
  ASSERT_TRUE(openXMLFile(good.c_str(), "skin", &doc, &node, 1, 0));
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(node->type, XML_TEXT_NODE);
  closeXMLFile(doc);
  EXPECT_TRUE(logged().empty());

  const std::string prefs = dir_.file("prefs.xml");
  ASSERT_TRUE(writeFile(prefs, "<preferences version=\"100\"/>"));
  const std::string empty = dir_.file("empty.xml");
  ASSERT_TRUE(writeFile(empty, ""));
  const std::string truncated = dir_.file("truncated.xml");
  ASSERT_TRUE(writeFile(truncated, "<skin version=\"3\"><a name=\"x"));
  const std::string garbage = dir_.file("garbage.xml");
  ASSERT_TRUE(writeFile(garbage, std::string("\x00\xff<<>>&&", 8)));

  EXPECT_FALSE(openXMLFile(prefs.c_str(), "skin", &doc, &node, 0, 0));
  EXPECT_FALSE(openXMLFile(empty.c_str(), "skin", &doc, &node, 0, 0));
  EXPECT_FALSE(openXMLFile(truncated.c_str(), "skin", &doc, &node, 0, 0));
  EXPECT_FALSE(openXMLFile(garbage.c_str(), "skin", &doc, &node, 0, 0));
  EXPECT_FALSE(openXMLFile(dir_.file("missing.xml").c_str(), "skin", &doc, &node, 0, 0));
  EXPECT_FALSE(openXMLFile(nullptr, "skin", &doc, &node, 0, 0));
  EXPECT_FALSE(openXMLFile(good.c_str(), "skin", nullptr, &node, 0, 0));

  std::vector<std::string> expected = {
      "-- ztv: error: XML root node is NOT 'skin' in '" + prefs + "'",
      "-- ztv: error: XML not parsed successfully '" + empty + "'",
      "-- ztv: error: XML not parsed successfully '" + truncated + "'",
      "-- ztv: error: XML not parsed successfully '" + garbage + "'",
  };
  // The parser's own messages come first, naming the file (their wording is the library's).
  std::vector<std::string> ours;
  for (const std::string& line : logged()) {
    if (line.rfind("-- ztv: error: XML '", 0) != 0) ours.push_back(line);
  }
  EXPECT_EQ(ours, expected);
  for (const std::string& file : {truncated, garbage}) {
    bool named = false;
    for (const std::string& line : logged())
      named |= line.rfind("-- ztv: error: XML '" + file + "' line ", 0) == 0;
    EXPECT_TRUE(named) << file;
  }
}

// A file with a fault on every line: the parser's messages go to the log, a few and then their count,
// never to the standard error.
TEST_F(ZRXmlUtilsTest, ParserMessagesGoToTheLogBounded) {
  std::string text = "<list>\n";
  for (int i = 0; i < 2000; ++i) text += "<x:song path=\"/a.mp3\"/>\n";
  text += "</list>\n";
  const std::string path = dir_.file("many.tvl");
  ASSERT_TRUE(writeFile(path, text));
  const std::string errors = dir_.file("stderr.txt");
  fflush(stderr);
  const int saved = dup(2);
  const int out = open(errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(out, 0);
  dup2(out, 2);
  xmlDoc* doc = nullptr;
  xmlNode* node = nullptr;
  const bool opened = openXMLFile(path.c_str(), "list", &doc, &node, 1, 0);
  if (opened) closeXMLFile(doc);
  fflush(stderr);
  dup2(saved, 2);
  close(saved);
  close(out);
  EXPECT_EQ(orvel_test::readFile(errors), "");
  int parserLines = 0;
  for (const std::string& line : logged())
    parserLines += line.rfind("-- ztv: error: XML '" + path + "'", 0) == 0;
  EXPECT_EQ(parserLines, 6) << ::testing::PrintToString(logged());
  bool counted = false;
  for (const std::string& line : logged())
    counted |= line.find("1995 more messages not shown") != std::string::npos;
  EXPECT_TRUE(counted) << ::testing::PrintToString(logged());
}

TEST_F(ZRXmlUtilsTest, OpenFileDebugLines) {
  const std::string good = dir_.file("good.xml");
  ASSERT_TRUE(writeFile(good, "<skin><a/></skin>"));
  xmlDoc* doc = nullptr;
  xmlNode* node = nullptr;
  ASSERT_TRUE(openXMLFile(good.c_str(), "skin", &doc, &node, 1, 1));
  closeXMLFile(doc);
  std::vector<std::string> expected = {"-- ztv: openXMLFile starting (showDebugInfo=true)",
                                       "-- ztv: xmlParseFile finished",
                                       "-- ztv: xmlDocGetRootElement finished",
                                       "-- ztv: getting xmlChildrenNode finished", "-- ztv: XML parsed OK"};
  EXPECT_EQ(logged(), expected);
}
