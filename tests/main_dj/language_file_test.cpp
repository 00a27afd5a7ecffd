// The language at start-up: installed into the Settings folder from the application folder's language.xml
// or from the chooser (which takes English by itself under the test suite), a broken installed file
// replaced, the chooser's refusal ending the start, and a language that cannot be loaded reported.

#include "main_dj/language_file.h"

#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/dialog.h>

#include <filesystem>

#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_files.h"
#include "gui/tarvo_wdr.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/shell_folders.h"
#include "main_window_rig.h"
#include "shell_test_support.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace fs = std::filesystem;
using orvel_test::languageXml;
using orvel_test::LogCapture;
using orvel_test::readFile;
using orvel_test::ShellSandbox;
using orvel_test::writeFile;

namespace {

class LanguageFile : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    box.writeResource("languages/deutsch.xml",
                      languageXml("deutsch", "de", 100, "<string action=\"txt_yes\" value=\"Ja\"/>\n"));
    ASSERT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  }
  void TearDown() override { setModalRunner(nullptr); }

  std::string installed() const { return box.data() + "Settings/language.xml"; }

  ShellSandbox box;
};

// What the tests' chooser saw, and the entry it picks.
struct ChooserScript {
  static inline int shown = 0;
  static inline int pick = 0;
  static inline int answer = wxID_OK;
  static inline std::vector<std::string> entries;
  static int run(wxDialog& dialog) {
    ++shown;
    entries.clear();
    auto* choice = dynamic_cast<wxChoice*>(dialog.FindWindow(ID_LANGUAGE_CHOICE));
    if (choice == nullptr) return wxID_CANCEL;
    for (unsigned i = 0; i < choice->GetCount(); ++i)
      entries.push_back(std::string(choice->GetString(i).utf8_str()));
    choice->SetSelection(pick);
    return answer;
  }
};

}  // namespace

TEST_F(LanguageFile, FirstStartInstallsThePreselectedEnglishIntoTheSettingsFolder) {
  LogCapture log;
  ASSERT_FALSE(fs::exists(installed()));
  EXPECT_TRUE(LoadLanguageFileOrShowLanguageSelector());
  EXPECT_EQ(installedLanguageFilePath().utf8(), installed());
  EXPECT_EQ(readFile(installed()), readFile(box.resources() + "languages/english.xml"));
  EXPECT_EQ(getTextName(txt_yes).utf8(), "Yes");
  EXPECT_TRUE(log.contains("language chooser not shown under test"));
  // The resources stay as they are: nothing is written there.
  EXPECT_FALSE(fs::exists(box.resources() + "languages/language.xml"));
}

TEST_F(LanguageFile, SecondStartLoadsTheInstalledFileWithoutAsking) {
  writeFile(installed(), languageXml("deutsch", "de", 100, "<string action=\"txt_yes\" value=\"Ja\"/>\n"));
  LogCapture log;
  setModalRunner(&ChooserScript::run);
  ChooserScript::shown = 0;
  EXPECT_TRUE(LoadLanguageFileOrShowLanguageSelector());
  EXPECT_EQ(ChooserScript::shown, 0);
  EXPECT_EQ(getTextName(txt_yes).utf8(), "Ja");
}

TEST_F(LanguageFile, ABrokenInstalledFileIsReplaced) {
  const struct {
    const char* name;
    std::string content;
  } broken[] = {
      {"not XML", "<languagestrings language=\"english\""},
      {"another root", "<?xml version=\"1.0\"?><strings language=\"english\" targetversion=\"100\"/>"},
      {"too old", languageXml("english", "en", 99, "<string action=\"txt_yes\" value=\"Old\"/>\n")},
      {"empty", ""},
  };
  for (const auto& file : broken) {
    SCOPED_TRACE(file.name);
    ClearLanguageTables();
    writeFile(installed(), file.content);
    EXPECT_TRUE(LoadLanguageFileOrShowLanguageSelector());
    EXPECT_EQ(readFile(installed()), readFile(box.resources() + "languages/english.xml"));
    EXPECT_EQ(getTextName(txt_yes).utf8(), "Yes");
  }
}

TEST_F(LanguageFile, TheApplicationFoldersLanguageFileIsTakenWithoutAsking) {
  box.writeResource("languages/language.xml",
                    languageXml("deutsch", "de", 100, "<string action=\"txt_yes\" value=\"Ja\"/>\n"));
  setModalRunner(&ChooserScript::run);
  ChooserScript::shown = 0;
  EXPECT_TRUE(LoadLanguageFileOrShowLanguageSelector());
  EXPECT_EQ(ChooserScript::shown, 0);
  EXPECT_EQ(getTextName(txt_yes).utf8(), "Ja");
  EXPECT_EQ(readFile(installed()), readFile(box.resources() + "languages/language.xml"));
}

TEST_F(LanguageFile, TheChooserListsTheLanguagesAndInstallsThePickedOne) {
  setModalRunner(&ChooserScript::run);
  ChooserScript::shown = 0;
  ChooserScript::pick = 0;  // entries are sorted by file name: deutsch, english
  ChooserScript::answer = wxID_OK;
  EXPECT_TRUE(LoadLanguageFileOrShowLanguageSelector());
  EXPECT_EQ(ChooserScript::shown, 1);
  EXPECT_EQ(ChooserScript::entries, (std::vector<std::string>{"de (deutsch)", "en (english)"}));
  EXPECT_EQ(getTextName(txt_yes).utf8(), "Ja");
  EXPECT_EQ(readFile(installed()), readFile(box.resources() + "languages/deutsch.xml"));
}

TEST_F(LanguageFile, ClosingTheChooserEndsTheStartSilently) {
  setModalRunner(&ChooserScript::run);
  ChooserScript::answer = wxID_CANCEL;
  LogCapture log;
  EXPECT_FALSE(LoadLanguageFileOrShowLanguageSelector());
  ChooserScript::answer = wxID_OK;
  EXPECT_FALSE(fs::exists(installed()));
  EXPECT_FALSE(log.contains("Can not load language file"));
}

TEST_F(LanguageFile, NoLanguageAtAllIsReported) {
  fs::remove_all(box.resources() + "languages");
  fs::create_directories(box.resources() + "languages");
  LogCapture log;
  EXPECT_FALSE(LoadLanguageFileOrShowLanguageSelector());
  EXPECT_EQ(log.count("Can not load language file '" + installed() + "'"), 1);
}

TEST_F(LanguageFile, WithoutASettingsFolderTheChosenLanguageStillLoads) {
  fs::remove_all(box.data() + "Settings");
  writeFile(box.data() + "Settings", "in the way");
  EXPECT_TRUE(LoadLanguageFileOrShowLanguageSelector());
  EXPECT_EQ(getTextName(txt_yes).utf8(), "Yes");
}
