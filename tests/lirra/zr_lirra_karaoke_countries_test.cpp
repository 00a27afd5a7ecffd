// The country, US state and Canadian province tables: exact lookups by code or name, and the row
// accessors.
#include "lirra/zr_lirra_karaoke_countries.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace {

TEST(LirraCountries, LookupsAreExactAndFindCodesAndNamesAlike) {
  struct Case {
    int (*lookup)(const ZRString&);
    const char* text;
    int row;
  } cases[] = {
      {getLK_Countries_index_by_code_or_name, "CA", 39},
      {getLK_Countries_index_by_code_or_name, "Canada", 39},
      {getLK_Countries_index_by_code_or_name, "ca", -1},
      {getLK_Countries_index_by_code_or_name, "Canada ", -1},
      {getLK_Countries_index_by_code_or_name, "Can", -1},
      {getLK_Countries_index_by_code_or_name, "United States", 231},
      {getLK_Countries_index_by_code_or_name, "US", 231},
      {getLK_Countries_index_by_code_or_name, "UK", 230},
      {getLK_Countries_index_by_code_or_name, "GB", -1},
      {getLK_Countries_index_by_code_or_name, "IE", 107},
      {getLK_Countries_index_by_code_or_name, "EI", 108},
      {getLK_Countries_index_by_code_or_name, "VA", 98},
      {getLK_Countries_index_by_code_or_name, "XV", 235},
      {getLK_Countries_index_by_code_or_name, "Afghanistan", 0},
      {getLK_Countries_index_by_code_or_name, "ZW", 245},
      {getLK_Countries_index_by_code_or_name, "British Indian Ocean Territory", 31},
      {getLK_Countries_index_by_code_or_name, "", -1},
      {getSP_USA_index_by_code_or_name, "CA", 5},
      {getSP_USA_index_by_code_or_name, "California", 5},
      {getSP_USA_index_by_code_or_name, "AP", 61},
      {getSP_USA_index_by_code_or_name, "AL", 0},
      {getSP_USA_index_by_code_or_name, "", -1},
      {getSP_Canada_index_by_code_or_name, "Newfoundland", 4},
      {getSP_Canada_index_by_code_or_name, "NF", 4},
      {getSP_Canada_index_by_code_or_name, "NL", -1},
      {getSP_Canada_index_by_code_or_name, "YK", 12},
      {getSP_Canada_index_by_code_or_name, "", -1},
  };
  for (const Case& c : cases) EXPECT_EQ(c.lookup(ZRString(c.text)), c.row) << c.text;
}

TEST(LirraCountries, StateTablesHaveTheirRowsAndRefuseRowsOutside) {
  struct Table {
    int total;
    ZRString (*code)(int);
    ZRString (*name)(int);
    int (*lookup)(const ZRString&);
    int expectedTotal;
  } tables[] = {
      {getTotalSP_USA(), getSP_USA_code, getSP_USA_name, getSP_USA_index_by_code_or_name, 62},
      {getTotalSP_Canada(), getSP_Canada_code, getSP_Canada_name, getSP_Canada_index_by_code_or_name, 13}};
  for (const Table& t : tables) {
    ASSERT_EQ(t.total, t.expectedTotal);
    std::set<std::string> texts;
    for (int row = 0; row < t.total; ++row) {
      const ZRString code = t.code(row), name = t.name(row);
      EXPECT_EQ(code.len(), 2) << row;
      // Every code and name leads back to its own row: none occurs twice, no code equals a name.
      EXPECT_EQ(t.lookup(code), row);
      EXPECT_EQ(t.lookup(name), row);
      EXPECT_TRUE(texts.insert(code.utf8()).second);
      EXPECT_TRUE(texts.insert(name.utf8()).second);
    }
    for (int outside : {-1, t.total, 1000}) {
      EXPECT_TRUE(t.code(outside).empty());
      EXPECT_TRUE(t.name(outside).empty());
    }
  }
  EXPECT_EQ(getSP_USA_name(9), ZRString("District Of Columbia"));
  EXPECT_EQ(getSP_Canada_code(9), ZRString("PE"));
  EXPECT_EQ(getSP_Canada_name(9), ZRString("Prince Edward Isl."));
}

}  // namespace
