#include "common/language_tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/text_ids.h"
#include "common/zr_files_platform.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

class LanguageTables : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearLanguageTables();
    log_.emplace();
  }
  void TearDown() override { log_.reset(); }

  std::string write(const std::string& name, const std::string& body) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeFile(path, body));
    return path;
  }

  static std::string languageFile(
      const std::string& entries,
      const std::string& rootAttributes = R"(language="english" locale="en" targetversion="100")") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<languagestrings " + rootAttributes + ">\n" +
           entries + "</languagestrings>\n";
  }

  bool logged(const std::string& text) const { return log_->contains(text); }

  orvel_test::TempDir dir;
  std::optional<orvel_test::LogCapture> log_;
};

TEST_F(LanguageTables, EmptyBeforeAnyLoad) {
  EXPECT_TRUE(getTextName(txt_ok).empty());
  EXPECT_TRUE(getTextName(CTXTIDS_COUNT - 1).empty());
  EXPECT_TRUE(getLabelName(ACT_cfg).empty());
  EXPECT_TRUE(getHintName(ACT_action_lastaction).empty());
  // Outside the tables: the empty text, never a read past the end.
  EXPECT_TRUE(getTextName(-1).empty());
  EXPECT_TRUE(getTextName(CTXTIDS_COUNT).empty());
  EXPECT_TRUE(getLabelName(CACTION_COUNT).empty());
}

TEST_F(LanguageTables, LoadsTextsLabelsAndHintsAtBothEndsOfEachTable) {
  const std::string path = write("en.xml", languageFile(R"(
  <string action="txt_ok" value="OK"/>
  <string action="txt_sd_menu_exit" value="Exit"/>
  <label action="minimize" value="Min"/>
  <label action="action_lastaction" value="Last"/>
  <hint action="minimize" value="Minimise the window"/>
  <hint action="cfg_slow_pitch_reset" value="Slow pitch reset"/>
  <!-- a comment and other elements are ignored -->
  <other action="txt_yes" value="ignored"/>
)"));
  ASSERT_TRUE(LoadLanguage(path));
  EXPECT_EQ(getTextName(txt_ok).utf8(), "OK");
  EXPECT_EQ(getTextName(txt_sd_menu_exit).utf8(), "Exit");
  EXPECT_EQ(getLabelName(ACT_minimize).utf8(), "Min");
  EXPECT_EQ(getLabelName(ACT_action_lastaction).utf8(), "Last");
  EXPECT_EQ(getHintName(ACT_minimize).utf8(), "Minimise the window");
  EXPECT_EQ(getHintName(ACT_cfg_slow_pitch_reset).utf8(), "Slow pitch reset");
  EXPECT_TRUE(getTextName(txt_yes).empty());
  EXPECT_TRUE(getLabelName(ACT_minimize + 1).empty());
}

TEST_F(LanguageTables, BackslashNBecomesSpaceAndLineFeed) {
  const std::string path = write("en.xml", languageFile(R"(
  <string action="txt_ok" value="Line one\nLine two"/>
  <string action="txt_cancel" value="\n"/>
  <string action="txt_yes" value="\"/>
  <string action="txt_no" value="a\\nb"/>
  <label action="cfg" value="\nx"/>
)"));
  ASSERT_TRUE(LoadLanguage(path));
  EXPECT_EQ(getTextName(txt_ok).utf8(), "Line one \nLine two");
  EXPECT_EQ(getTextName(txt_cancel).utf8(), " \n");
  EXPECT_EQ(getTextName(txt_yes).utf8(), "\\");
  EXPECT_EQ(getTextName(txt_no).utf8(), "a\\ \nb");
  EXPECT_EQ(getLabelName(ACT_cfg).utf8(), " \nx");
}

TEST_F(LanguageTables, SettingsLabelAndHintAreCopiedToTheSecondSettingsButton) {
  const std::string path = write("en.xml", languageFile(R"(
  <hint action="cfg2" value="early hint"/>
  <label action="cfg" value="Settings"/>
  <label action="cfg2" value="Settings 2"/>
  <hint action="cfg" value="Open the settings"/>
)"));
  ASSERT_TRUE(LoadLanguage(path));
  EXPECT_EQ(getLabelName(ACT_cfg).utf8(), "Settings");
  EXPECT_EQ(getLabelName(ACT_cfg2).utf8(), "Settings 2");
  EXPECT_EQ(getHintName(ACT_cfg).utf8(), "Open the settings");
  EXPECT_EQ(getHintName(ACT_cfg2).utf8(), "Open the settings");
}

TEST_F(LanguageTables, UnknownOrIncompleteEntriesChangeNothing) {
  const std::string first = write("first.xml", languageFile(R"(<string action="txt_yes" value="Yes"/>)"));
  ASSERT_TRUE(LoadLanguage(first));
  const std::string path = write("en.xml", languageFile(R"(
  <string action="_txt_none" value="none"/>
  <string action="_txt_MAX" value="max"/>
  <string action="txt_not_an_id" value="x"/>
  <string action="TXT_OK" value="x"/>
  <string value="no action"/>
  <string action="txt_ok"/>
  <label action="action_none" value="none"/>
  <label action="no_such_action" value="x"/>
  <hint action="Deck_Play_Pause" value="x"/>
)"));
  ASSERT_TRUE(LoadLanguage(path));
  EXPECT_TRUE(getTextName(TXT_NONE).empty());
  EXPECT_TRUE(getTextName(txt_ok).empty());
  EXPECT_TRUE(getLabelName(ACT_action_none).empty());
  EXPECT_TRUE(getHintName(ACT_deck_play_pause).empty());
  // Entries the second file does not name keep the text of the first.
  EXPECT_EQ(getTextName(txt_yes).utf8(), "Yes");
}

TEST_F(LanguageTables, LaterEntryWins) {
  const std::string path = write("en.xml", languageFile(R"(
  <string action="txt_ok" value="first"/>
  <string action="txt_ok" value="second"/>
)"));
  ASSERT_TRUE(LoadLanguage(path));
  EXPECT_EQ(getTextName(txt_ok).utf8(), "second");
}

TEST_F(LanguageTables, LoadRefusesMissingBrokenOrForeignFiles) {
  const std::string good = write("good.xml", languageFile(R"(<string action="txt_ok" value="OK"/>)"));
  ASSERT_TRUE(LoadLanguage(good));
  const std::string broken = write("broken.xml", "<languagestrings><string action=\"txt_ok\" value=\"X\"/>");
  const std::string skin = write("skin.xml", "<skin><string action=\"txt_ok\" value=\"X\"/></skin>");
  const std::string empty = write("empty.xml", "");
  for (const std::string& path : {dir.file("missing.xml"), broken, skin, empty}) {
    EXPECT_FALSE(LoadLanguage(ZRString(path))) << path;
  }
  EXPECT_EQ(getTextName(txt_ok).utf8(), "OK");
  EXPECT_TRUE(log_->lines().empty());
}

TEST_F(LanguageTables, LoadIgnoresTargetVersionButCheckRefusesOldFiles) {
  const std::string path = write("old.xml", languageFile(R"(<string action="txt_ok" value="Old OK"/>)",
                                                         R"(language="english" targetversion="90")"));
  ASSERT_TRUE(LoadLanguage(path));
  EXPECT_EQ(getTextName(txt_ok).utf8(), "Old OK");

  EXPECT_FALSE(CheckLanguageFile(path, 0));
  EXPECT_TRUE(logged("lang: xml targetversion is not correct - oldestCompatibleVer=100, ver=90"));
  EXPECT_TRUE(orvel_test::readFile(path).size() > 0);

  EXPECT_FALSE(CheckLanguageFile(path, 1));
  EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(LanguageTables, CheckLanguageFileLogsAndDeletesBadFiles) {
  struct Case {
    const char* name;
    std::string body;
    const char* line;  // null: usable
  };
  const Case cases[] = {
      {"good.xml", languageFile(""), nullptr},
      {"v100.xml", languageFile("", R"(language="x" targetversion="100")"), nullptr},
      {"v99.xml", languageFile("", R"(language="x" targetversion="99")"),
       "lang: xml targetversion is not correct - oldestCompatibleVer=100, ver=99"},
      {"noversion.xml", languageFile("", R"(language="x")"),
       "lang: xml targetversion is not correct - oldestCompatibleVer=100, ver=-1"},
      {"broken.xml", "<languagestrings targetversion=\"100\">", "lang: xml is bad formed"},
      {"skin.xml", "<skin targetversion=\"100\"/>", "lang: xml root element is not languagestrings"},
  };
  for (int deleteIfBad : {0, 1}) {
    for (const Case& c : cases) {
      log_->clear();
      const std::string path = write(c.name, c.body);
      EXPECT_EQ(CheckLanguageFile(path, deleteIfBad), c.line == nullptr) << c.name;
      if (c.line == nullptr) {
        EXPECT_TRUE(log_->lines().empty()) << c.name;
        EXPECT_TRUE(std::filesystem::exists(path)) << c.name;
      } else {
        ASSERT_EQ(log_->lines().size(), 1u) << c.name;
        EXPECT_EQ(log_->lines()[0], std::string("-- ztv: ") + c.line) << c.name;
        EXPECT_EQ(std::filesystem::exists(path), deleteIfBad == 0) << c.name;
      }
    }
  }
  log_->clear();
  EXPECT_FALSE(CheckLanguageFile(ZRString(dir.file("missing.xml")), 1));
  EXPECT_TRUE(log_->lines().empty());
}

TEST_F(LanguageTables, ScanListsUsableFilesOnly) {
  write("deutsch.xml", languageFile("", R"(language="deutsch" locale="de" targetversion="100")"));
  write("skin.xml", "<skin language=\"x\" targetversion=\"100\"/>");
  EXPECT_EQ(ScanLanguageFolder(ZRString(dir.path())), 0);
  ASSERT_EQ(cfg_total_languages, 1);
  EXPECT_EQ(GetLanguageChoiceEntry(0).utf8(), "de (deutsch)");
  EXPECT_EQ(GetLanguageFilename(0).utf8(), dir.file("deutsch.xml"));
  EXPECT_EQ(cfg_found_languages[0].targetversion, 100);
  EXPECT_TRUE(GetLanguageFilename(1).empty());
  EXPECT_TRUE(GetLanguageFilename(-1).empty());
  EXPECT_TRUE(GetLanguageChoiceEntry(1).empty());
}

TEST_F(LanguageTables, ScanSkipsOldNamelessAndBrokenFilesAndFindsEnglish) {
  write("a_broken.xml", "<languagestrings");
  write("b_nolanguage.xml", languageFile("", R"(locale="xx" targetversion="100")"));
  write("c_old.xml", languageFile("", R"(language="english" locale="en" targetversion="99")"));
  write("d_espanol.xml", languageFile("", R"(language="espanol" locale="es" targetversion="101")"));
  write("E_english.xml", languageFile("", R"(language="english" targetversion="100")"));
  write("f_francais.xml", languageFile("", R"(language="francais" locale="fr" targetversion="100")"));
  const std::string slash = dir.path() + "/";
  EXPECT_EQ(ScanLanguageFolder(ZRString(slash)), 1);
  ASSERT_EQ(cfg_total_languages, 3);
  EXPECT_EQ(GetLanguageChoiceEntry(0).utf8(), "es (espanol)");
  // Without a locale the language stands in both places.
  EXPECT_EQ(GetLanguageChoiceEntry(1).utf8(), "english (english)");
  EXPECT_EQ(GetLanguageFilename(1).utf8(), slash + "E_english.xml");
  EXPECT_EQ(GetLanguageChoiceEntry(2).utf8(), "fr (francais)");
}

TEST_F(LanguageTables, ScanOfMissingFolderFindsNothing) {
  write("x.xml", languageFile(""));
  ScanLanguageFolder(ZRString(dir.path()));
  EXPECT_EQ(cfg_total_languages, 1);
  EXPECT_EQ(ScanLanguageFolder(ZRString(dir.file("nowhere"))), 0);
  EXPECT_EQ(cfg_total_languages, 0);
}

TEST_F(LanguageTables, ScanKeepsAtMost32FilesAndLogsTheRest) {
  for (int i = 0; i < MAX_FOUND_LANGUAGES + 3; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "lang%02d.xml", i);
    write(name, languageFile("", "language=\"l" + std::to_string(i) + "\" targetversion=\"100\""));
  }
  ScanLanguageFolder(ZRString(dir.path()));
  EXPECT_EQ(cfg_total_languages, MAX_FOUND_LANGUAGES);
  EXPECT_EQ(GetLanguageChoiceEntry(MAX_FOUND_LANGUAGES - 1).utf8(), "l31 (l31)");
  EXPECT_TRUE(GetLanguageFilename(MAX_FOUND_LANGUAGES).empty());
  int skipped = 0;
  for (const std::string& line : log_->lines()) {
    if (line.find("lang: warning: more than 32 language files, skipping") != std::string::npos) ++skipped;
  }
  EXPECT_EQ(skipped, 3);
  EXPECT_TRUE(logged("lang34.xml"));
}

}  // namespace

namespace {

TEST(LanguageFiles, ShippedEnglishFileIsUsable) {
  char resources[4096];
  ASSERT_TRUE(GetResourcesDir_Apple(resources, sizeof resources));
  const ZRString folder = ZRString(resources) + ZRString("languages");
  ASSERT_TRUE(CheckLanguageFile(folder + ZRString("/english.xml"), 0));
  ClearLanguageTables();
  ASSERT_TRUE(LoadLanguage(folder + ZRString("/english.xml")));
  EXPECT_EQ(getTextName(txt_ok).utf8(), "OK");
  EXPECT_FALSE(getTextName(txt_confirm_exit).empty());
  EXPECT_FALSE(getLabelName(ACT_cfg2).empty());
  const int english = ScanLanguageFolder(folder);
  ASSERT_GE(cfg_total_languages, 1);
  EXPECT_EQ(GetLanguageChoiceEntry(english).utf8(), "en (english)");
  ClearLanguageTables();
}

// Every text the system shows comes from the language file: the shipped English file names every text id
// and gives every action a skin can place a label and a hint.
TEST(LanguageFiles, ShippedEnglishFileHasEveryText) {
  char resources[4096];
  ASSERT_TRUE(GetResourcesDir_Apple(resources, sizeof resources));
  ClearLanguageTables();
  ASSERT_TRUE(LoadLanguage(ZRString(resources) + ZRString("languages/english.xml")));
  for (int id = 1; id < CTXTIDS_COUNT; ++id) {
    if (CTXTIDS_REALNAMES[id][0] == '\0') continue;  // a retired id
    EXPECT_FALSE(getTextName(id).empty()) << CTXTIDS_REALNAMES[id];
  }
  for (int action = 1; action < CACTION_COUNT - 1; ++action) {
    if (GetActionName(action)[0] == '\0') continue;
    EXPECT_FALSE(getLabelName(action).empty()) << "label of " << GetActionName(action);
    EXPECT_FALSE(getHintName(action).empty()) << "hint of " << GetActionName(action);
  }
  // The deck caption is a format that takes the deck letter.
  EXPECT_NE(getLabelName(GetActionIndex("label_deck")).utf8().find("%c"), std::string::npos);
  // Texts used as formats take exactly the numbers they are given.
  for (const char* id : {"txt_loading_progress_ram", "txt_loading_progress_disk", "txt_deadfiles_removed"}) {
    const std::string text = getTextName(GetTextIndex(id)).utf8();
    int numbers = 0, others = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '%') continue;
      const char next = i + 1 < text.size() ? text[i + 1] : '\0';
      if (next == 'd') ++numbers;
      else if (next != '%') ++others;
      ++i;
    }
    EXPECT_EQ(numbers, 1) << id;
    EXPECT_EQ(others, 0) << id;
  }
  ClearLanguageTables();
}

}  // namespace
