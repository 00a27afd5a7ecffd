#include "common/text_ids.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(TextIds, TableEnds) {
  EXPECT_EQ(std::size(CTXTIDS_REALNAMES), 285u);
  EXPECT_STREQ(CTXTIDS_REALNAMES[0], "_txt_none");
  EXPECT_STREQ(CTXTIDS_REALNAMES[1], "txt_ok");
  EXPECT_STREQ(CTXTIDS_REALNAMES[283], "txt_sd_menu_exit");
  EXPECT_STREQ(CTXTIDS_REALNAMES[284], "_txt_MAX");
  EXPECT_EQ(txt_ok, 1);
  EXPECT_EQ(txt_sd_menu_exit, 283);
}

TEST(TextIds, CountsOfNamedAndRetiredIds) {
  const std::set<int> retired = {14,  41,  43,  67,  68,  69,  70,  71,  72,  73,  74,
                                 96,  97,  100, 101, 102, 175, 176, 177, 178, 179, 180,
                                 181, 182, 183, 184, 185, 186, 187, 188, 189, 190, 268};
  std::set<std::string> names;
  for (int id = 0; id < CTXTIDS_COUNT; ++id) {
    const bool empty = CTXTIDS_REALNAMES[id][0] == '\0';
    EXPECT_EQ(empty, retired.count(id) == 1) << id;
    if (!empty) {
      EXPECT_TRUE(names.insert(CTXTIDS_REALNAMES[id]).second) << CTXTIDS_REALNAMES[id];
      EXPECT_EQ(GetTextIndex(CTXTIDS_REALNAMES[id]), id);
    }
  }
  EXPECT_EQ(names.size(), 284u - retired.size());
}

TEST(TextIds, LookupEdges) {
  EXPECT_EQ(GetTextIndex("_txt_none"), 0);
  EXPECT_EQ(GetTextIndex("txt_ok"), 1);
  EXPECT_EQ(GetTextIndex("txt_itunes_not_installed"), 42);
  EXPECT_EQ(GetTextIndex("txt_file_not_loaded"), 44);
  EXPECT_EQ(GetTextIndex("txt_cfg_preferences"), 191);
  EXPECT_EQ(GetTextIndex("txt_lirra_name"), 269);
  EXPECT_EQ(GetTextIndex("txt_sd_menu_exit"), 283);
  EXPECT_EQ(GetTextIndex("_txt_MAX"), -1);
  EXPECT_EQ(GetTextIndex("TXT_OK"), -1);
  EXPECT_EQ(GetTextIndex("txt_nothing"), -1);
  EXPECT_EQ(GetTextIndex(""), -1);
}

}  // namespace
