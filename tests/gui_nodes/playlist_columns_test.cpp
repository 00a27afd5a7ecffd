// The track table's columns files: what reads back as written, how odd values load (widths bounded by
// their column, each column once), files that change nothing, and saves that replace the file whole.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_playlist_columns.h"
#include "list_controls_support.h"

namespace {

std::string columnsFile(const std::string& root, const std::string& body) {
  return "<columns version=\"1\" " + root + ">\n" + body + "</columns>\n";
}

std::string column(const std::string& id, const std::string& attributes) {
  return "<column actualColumn=\"" + id + "\" visible=\"1\" " + attributes + " />\n";
}

class PlaylistColumns : public ::testing::Test {
 protected:
  void SetUp() override { orvel_test::loadEnglish(); }
  TZRColumnsFile read(const std::string& text) {
    orvel_test::writeFile(dir.file("columns.xml"), text);
    TZRColumnsFile file;
    EXPECT_TRUE(readColumnsFile(ZRString(dir.file("columns.xml")), &file));
    return file;
  }
  orvel_test::TempDir dir;
};

TEST_F(PlaylistColumns, TheDefaultsAreTheTwelveFields) {
  const std::vector<TZRColumn> columns = defaultPlaylistColumns();
  ASSERT_EQ(columns.size(), 12u);
  int total = 0;
  for (size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(columns[i].tagField, static_cast<int>(i));
    total += columns[i].width;
  }
  EXPECT_EQ(total, 1021);
  EXPECT_EQ(columns[1].name.utf8(), "Artist");
  EXPECT_FALSE(columns[0].allowHide);
  EXPECT_EQ(columns[0].align, 3);
}

TEST_F(PlaylistColumns, OddValuesLoadWithinBounds) {
  struct Case {
    const char* attributes;
    int width, minWidth, maxWidth, align;
  } cases[] = {
      {"width=\"10\"", 100, 30, 300, 7},
      {"width=\"120\" minwidth=\"5\"", 120, 30, 300, 7},
      {"width=\"120\" maxwidth=\"2000\"", 120, 30, 300, 7},
      {"width=\"120\" minwidth=\"40\" maxwidth=\"20\"", 120, 40, 300, 7},
      {"width=\"120\" align=\"-1\"", 120, 30, 300, 7},
      {"width=\"120\" align=\"3\"", 120, 30, 300, 3},
      // The width follows its column's maximum: no drawing context of any size.
      {"width=\"9000000\"", 300, 30, 300, 7},
      {"width=\"900\" maxwidth=\"1000\"", 900, 30, 1000, 7},
      {"width=\"2147483647\" maxwidth=\"1000\"", 1000, 30, 1000, 7},
  };
  for (const Case& c : cases) {
    const TZRColumnsFile file = read(columnsFile("", column("arti", c.attributes)));
    ASSERT_EQ(file.columns.size(), 1u) << c.attributes;
    const TZRColumn& col = file.columns[0];
    EXPECT_EQ(col.width, c.width) << c.attributes;
    EXPECT_EQ(col.minWidth, c.minWidth) << c.attributes;
    EXPECT_EQ(col.maxWidth, c.maxWidth) << c.attributes;
    EXPECT_EQ(col.align, c.align) << c.attributes;
    EXPECT_EQ(col.name.utf8(), "Artist") << c.attributes;
  }
}

TEST_F(PlaylistColumns, TheTableTakesTheFilesColumns) {
  ZRNodePlaylist node(nullptr, nullptr, 1.0f, GetActionIndex("playlist"), -1, -1);
  // An unrecognised column changes nothing.
  orvel_test::writeFile(dir.file("c.xml"), columnsFile("", column("zzzz", "width=\"50\"")));
  EXPECT_TRUE(node.loadColumns(ZRString(dir.file("c.xml"))));
  EXPECT_EQ(node.getColumns().size(), 12u);
  // Three columns, in file order, hidden ones kept in their place; a column listed twice counts once.
  orvel_test::writeFile(dir.file("c.xml"),
                        columnsFile("sortBlocked=\"YES\" resizeBlocked=\"0\"",
                                    "<column actualColumn=\"titl\" visible=\"0\" width=\"80\"/>\n"
                                    "<column actualColumn=\"numb\" visible=\"no\" width=\"70\"/>\n" +
                                        column("bpmt", "width=\"50\"") + column("titl", "width=\"90\"")));
  EXPECT_TRUE(node.loadColumns(ZRString(dir.file("c.xml"))));
  const std::vector<TZRColumn> columns = node.getColumns();
  ASSERT_EQ(columns.size(), 3u);
  EXPECT_EQ(columns[0].tagField, kTagTitle);
  EXPECT_FALSE(columns[0].visible);
  EXPECT_EQ(columns[1].tagField, kTagNumber);
  EXPECT_FALSE(columns[1].visible);
  EXPECT_EQ(columns[2].tagField, kTagBpm);
  EXPECT_EQ(node.getTotalColumnWidth(), 50);
  EXPECT_TRUE(node.isSortingLocked());
  EXPECT_FALSE(node.isResizingLocked());
  // Only hidden columns: the total width keeps its value.
  orvel_test::writeFile(dir.file("c.xml"), columnsFile("", "<column actualColumn=\"arti\" width=\"80\"/>\n"));
  EXPECT_TRUE(node.loadColumns(ZRString(dir.file("c.xml"))));
  EXPECT_EQ(node.getTotalColumnWidth(), 50);
  // Unreadable files change nothing.
  orvel_test::writeFile(dir.file("c.xml"), "<columns><column");
  EXPECT_FALSE(node.loadColumns(ZRString(dir.file("c.xml"))));
  EXPECT_FALSE(node.loadColumns(ZRString(dir.file("missing.xml"))));
  orvel_test::writeFile(dir.file("c.xml"), "<favorites/>");
  EXPECT_FALSE(node.loadColumns(ZRString(dir.file("c.xml"))));
  EXPECT_EQ(node.getColumns().size(), 1u);
}

TEST_F(PlaylistColumns, WhatIsWrittenReadsBack) {
  std::vector<TZRColumn> columns = defaultPlaylistColumns();
  columns[1].name = ZRString("Art\"ist & <co>");
  columns[3].visible = false;
  columns[4].width = 77;
  std::swap(columns[5], columns[6]);
  const std::string path = dir.file("columns_currentlist.xml");
  ASSERT_TRUE(writeColumnsFile(ZRString(path), columns, true, false));
  const std::string text = orvel_test::readFile(path);
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                       "<columns version=\"1\" sortBlocked=\"1\" resizeBlocked=\"0\">\n"
                       "<column name=\"No.\"",
                       0),
            0u)
      << text.substr(0, 200);
  EXPECT_NE(text.find("name=\"Art&quot;ist &amp; &lt;co&gt;\""), std::string::npos);
  EXPECT_NE(text.find("actualColumn=\"fnam\" />\n</columns>\n"), std::string::npos);
  TZRColumnsFile back;
  ASSERT_TRUE(readColumnsFile(ZRString(path), &back));
  ASSERT_EQ(back.columns.size(), columns.size());
  EXPECT_TRUE(back.sortBlocked);
  EXPECT_FALSE(back.resizeBlocked);
  for (size_t i = 0; i < columns.size(); ++i) {
    EXPECT_EQ(back.columns[i].name, columns[i].name) << i;
    EXPECT_EQ(back.columns[i].tagField, columns[i].tagField) << i;
    EXPECT_EQ(back.columns[i].visible, columns[i].visible) << i;
    EXPECT_EQ(back.columns[i].allowHide, columns[i].allowHide) << i;
    EXPECT_EQ(back.columns[i].width, columns[i].width) << i;
    EXPECT_EQ(back.columns[i].align, columns[i].align) << i;
  }
}

TEST_F(PlaylistColumns, ChangesAreWrittenBackAtOnce) {
  ZRNodePlaylist node(nullptr, nullptr, 1.0f, GetActionIndex("sidelist"), -1, -1);
  const std::string path = dir.file("columns_sidelist.xml");
  EXPECT_FALSE(node.loadColumns(ZRString(path)));  // no file yet: the defaults stay, the path is kept
  node.setVisibleColumn(7, false);
  TZRColumnsFile file;
  ASSERT_TRUE(readColumnsFile(ZRString(path), &file));
  ASSERT_EQ(file.columns.size(), 12u);
  EXPECT_FALSE(file.columns[7].visible);
  ASSERT_TRUE(node.moveColumn(2, true));
  ASSERT_TRUE(readColumnsFile(ZRString(path), &file));
  EXPECT_EQ(file.columns[1].tagField, kTagTitle);
}

TEST_F(PlaylistColumns, AFailedSaveKeepsTheOldFile) {
  EXPECT_FALSE(
      writeColumnsFile(ZRString(dir.file("no/such/folder.xml")), defaultPlaylistColumns(), false, false));
  const std::string path = dir.file("columns_sidelist.xml");
  orvel_test::writeFile(path, "old");
  ASSERT_EQ(chmod(dir.path().c_str(), 0500), 0);
  const bool written = writeColumnsFile(ZRString(path), defaultPlaylistColumns(), false, false);
  chmod(dir.path().c_str(), 0700);
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  EXPECT_FALSE(written);
  EXPECT_EQ(orvel_test::readFile(path), "old");
}

}  // namespace
