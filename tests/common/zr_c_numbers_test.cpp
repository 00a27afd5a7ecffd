#include "common/zr_c_numbers.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <fstream>
#include <string>

#include "common/zr_preferences.h"
#include "support/test_support.h"

namespace {

void expectCNumbers() {
  EXPECT_DOUBLE_EQ(atofC("0.5000"), 0.5);
  EXPECT_DOUBLE_EQ(atofC("  -3.25e1xyz"), -32.5);
  EXPECT_DOUBLE_EQ(atofC("+7"), 7.0);
  EXPECT_DOUBLE_EQ(atofC("abc"), 0.0);
  EXPECT_DOUBLE_EQ(atofC(nullptr), 0.0);
  EXPECT_EQ(formatFixedC(0.5, 4), "0.5000");
  EXPECT_EQ(formatFixedC(-3, 4), "-3.0000");
  EXPECT_EQ(formatFixedC(1234.56789, 2), "1234.57");
  EXPECT_EQ(atoiC(" 12abc"), 12);
  EXPECT_EQ(atoiC("-99999999999"), -2147483647 - 1);
  EXPECT_EQ(atoiC(nullptr), 0);
}

}  // namespace

TEST(ZRCNumbers, ReadAndWriteWithADecimalPoint) {
  expectCNumbers();
}

TEST(ZRCNumbers, CommaLocaleChangesNothing) {
  locale_t comma = newlocale(LC_ALL_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
  if (comma == static_cast<locale_t>(0)) comma = newlocale(LC_ALL_MASK, "de_DE", static_cast<locale_t>(0));
  if (comma == static_cast<locale_t>(0)) GTEST_SKIP() << "no locale with a decimal comma installed";
  locale_t previous = uselocale(comma);
  expectCNumbers();

  orvel_test::TempDir dir;
  const std::string path = dir.file("preferences.xml");
  {
    ZRPreferences prefs(path.c_str(), nullptr);
    prefs.setValue("Gain", 0.5f, 0, ZRPreferences::NotificationProgram);
    EXPECT_TRUE(prefs.saveAll(nullptr));
  }
  EXPECT_NE(orvel_test::readFile(path).find("value=\"0.5000\""), std::string::npos);
  ZRPreferences again(path.c_str(), nullptr);
  EXPECT_TRUE(again.loadAll(nullptr));
  float gain = 0;
  EXPECT_TRUE(again.getValue("Gain", gain));
  EXPECT_FLOAT_EQ(gain, 0.5f);
  uselocale(previous);
  freelocale(comma);
}
