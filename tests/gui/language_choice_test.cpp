#include "gui/language_choice.h"

#include <gtest/gtest.h>
#include <wx/frame.h>

#include <string>

#include "support/display_required.h"
#include "support/test_support.h"
#include "wx_test_app.h"

namespace {

std::string languageFile(const std::string& rootAttributes) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<languagestrings " + rootAttributes + "/>\n";
}

class LanguageChoice : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    frame = new wxFrame(nullptr, wxID_ANY, "languages");
    choice = new wxChoice(frame, wxID_ANY);
  }
  void TearDown() override {
    if (frame != nullptr) frame->Destroy();
  }
  orvel_test::TempDir dir;
  wxFrame* frame = nullptr;
  wxChoice* choice = nullptr;
};

TEST_F(LanguageChoice, ListsUsableFilesAndSelectsEnglish) {
  orvel_test::writeFile(dir.file("a.xml"),
                        languageFile(R"(language="deutsch" locale="de" targetversion="100")"));
  orvel_test::writeFile(dir.file("b.xml"), "<skin language=\"english\" targetversion=\"100\"/>");
  orvel_test::writeFile(dir.file("c.xml"), languageFile(R"(language="english" targetversion="100")"));
  choice->Append("stale entry");
  ScanForLanguages(ZRString(dir.path()), choice);
  ASSERT_EQ(choice->GetCount(), 2u);
  EXPECT_EQ(choice->GetString(0), "de (deutsch)");
  EXPECT_EQ(choice->GetString(1), "english (english)");
  EXPECT_EQ(choice->GetSelection(), 1);
  EXPECT_EQ(GetLanguageFilename(1).utf8(), dir.file("c.xml"));
}

TEST_F(LanguageChoice, WithoutEnglishTheFirstEntryIsSelected) {
  orvel_test::writeFile(dir.file("a.xml"),
                        languageFile(R"(language="deutsch" locale="de" targetversion="100")"));
  orvel_test::writeFile(dir.file("b.xml"), languageFile(R"(language="english" targetversion="90")"));
  orvel_test::writeFile(dir.file("c.xml"),
                        languageFile(R"(language="francais" locale="fr" targetversion="100")"));
  ScanForLanguages(ZRString(dir.path()), choice);
  ASSERT_EQ(choice->GetCount(), 2u);
  EXPECT_EQ(choice->GetString(1), "fr (francais)");
  EXPECT_EQ(choice->GetSelection(), 0);
}

TEST_F(LanguageChoice, EmptyFolderOrNoChoice) {
  choice->Append("stale entry");
  ScanForLanguages(ZRString(dir.path()), choice);
  EXPECT_EQ(choice->GetCount(), 0u);
  EXPECT_EQ(cfg_total_languages, 0);
  orvel_test::writeFile(dir.file("a.xml"), languageFile(R"(language="deutsch" targetversion="100")"));
  ScanForLanguages(ZRString(dir.path()), nullptr);
  EXPECT_EQ(cfg_total_languages, 1);
}

}  // namespace
