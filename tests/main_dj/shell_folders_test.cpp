// Start-up's folders: the data folder and its subfolders made with their parents, the default content copied
// into empty content folders at every start, the one message when the data folder cannot be made, and the
// application folder chosen by where the language files are.

#include "main_dj/shell_folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "common/shell_hooks.h"
#include "common/zr_files.h"
#include "main_dj/shell_state.h"
#include "main_window_rig.h"
#include "shell_test_support.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace fs = std::filesystem;
using orvel_test::LogCapture;
using orvel_test::ShellSandbox;

namespace {

const char* kSubfolders[] = {"Database", "Settings", "Controllers", "Skins",     "Samples",
                             "Shaders",  "Stripes",  "Overlays",    "DemoSongs", "Recordings"};

// Default content in every resource folder the shell copies from.
void writeDefaultContent(const ShellSandbox& box) {
  box.writeResource("samples/kick.wav", "kick");
  box.writeResource("samples/bank/snare.wav", "snare");
  box.writeResource("demo_songs/demo.mp3", "demo");
  box.writeResource("overlays/default.xml", "<overlays version=\"1\"/>");
  box.writeResource("shaders/glsl/plasma.frag", "void main() {}");
}

class ShellFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    writeDefaultContent(box);
  }
  ShellSandbox box;
};

}  // namespace

TEST_F(ShellFolders, FirstStartWithAnEmptyHomeMakesEveryFolderAndCopiesTheContent) {
  LogCapture log;
  // No Documents folder either: it is made with the data folder.
  ASSERT_FALSE(fs::exists(box.home() + "/Documents"));
  EXPECT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));

  EXPECT_TRUE(isFirstRun.load());
  EXPECT_EQ(theAppDataDir.utf8(), box.data());
  for (const char* sub : kSubfolders) EXPECT_TRUE(fs::is_directory(box.data() + sub)) << sub;
  EXPECT_EQ(theSettingsDir.utf8(), box.data() + "Settings/");
  EXPECT_EQ(GetSamplesDir().utf8(), box.data() + "Samples/");
  EXPECT_EQ(UsrHomeDir.utf8(), box.home() + "/");

  EXPECT_EQ(orvel_test::readFile(box.data() + "Samples/kick.wav"), "kick");
  EXPECT_EQ(orvel_test::readFile(box.data() + "Samples/bank/snare.wav"), "snare");
  EXPECT_EQ(orvel_test::readFile(box.data() + "DemoSongs/demo.mp3"), "demo");
  EXPECT_TRUE(fs::exists(box.data() + "Overlays/default.xml"));
  EXPECT_TRUE(fs::exists(box.data() + "Shaders/plasma.frag"));
  for (const char* line : {"copying samples", "copying demo_songs", "copying overlays", "copying shaders"}) {
    EXPECT_EQ(log.count(line), 1) << line;
  }
  EXPECT_FALSE(log.contains("Cannot create"));
}

TEST_F(ShellFolders, TheRepositoryPlaceholderIsNotCopiedAsContent) {
  // An otherwise empty resource folder keeps a ".gitkeep" in the repository, at any depth.
  box.writeResource("shaders/glsl/.gitkeep", "");
  box.writeResource("samples/bank/.gitkeep", "");
  ASSERT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  EXPECT_FALSE(fs::exists(box.data() + "Shaders/.gitkeep"));
  EXPECT_FALSE(fs::exists(box.data() + "Samples/bank/.gitkeep"));
  EXPECT_TRUE(fs::exists(box.data() + "Shaders/plasma.frag"));
  EXPECT_EQ(orvel_test::readFile(box.data() + "Samples/bank/snare.wav"), "snare");
}

TEST_F(ShellFolders, SecondStartReusesTheFoldersAndKeepsTheUsersFiles) {
  ASSERT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  orvel_test::writeFile(box.data() + "Samples/kick.wav", "my own kick");
  orvel_test::writeFile(box.data() + "Database/database.xml", "<database/>");

  LogCapture log;
  EXPECT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  EXPECT_FALSE(isFirstRun.load());
  EXPECT_FALSE(log.contains("copying"));
  EXPECT_EQ(orvel_test::readFile(box.data() + "Samples/kick.wav"), "my own kick");
  EXPECT_EQ(orvel_test::readFile(box.data() + "Database/database.xml"), "<database/>");
}

TEST_F(ShellFolders, AnEmptiedContentFolderIsFilledAgain) {
  ASSERT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  // Samples holds only a subfolder now (which does not count as content); DemoSongs is gone entirely.
  fs::remove(box.data() + "Samples/kick.wav");
  fs::remove_all(box.data() + "DemoSongs");

  LogCapture log;
  EXPECT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  EXPECT_FALSE(isFirstRun.load());
  EXPECT_EQ(orvel_test::readFile(box.data() + "Samples/kick.wav"), "kick");
  EXPECT_EQ(orvel_test::readFile(box.data() + "DemoSongs/demo.mp3"), "demo");
  EXPECT_EQ(log.count("copying samples"), 1);
  EXPECT_EQ(log.count("copying demo_songs"), 1);
  EXPECT_EQ(log.count("copying overlays"), 0);
}

TEST_F(ShellFolders, ADataFolderThatCannotBeMadeIsReportedOnceAndTheStartGoesOn) {
  // A file stands where the Documents folder would be.
  orvel_test::writeFile(box.home() + "/Documents", "not a folder");
  LogCapture log;
  EXPECT_FALSE(InitializeApplicationFolders("/nowhere/orvel"));
  EXPECT_EQ(
      log.count("Cannot create the application data folder. Please make sure you have write permissions."),
      1);
  EXPECT_TRUE(log.contains("Halden-Orvel"));
  // Nothing is copied into folders that do not exist.
  EXPECT_FALSE(log.contains("copying"));
}

TEST_F(ShellFolders, ASubfolderThatCannotBeMadeIsReportedOnce) {
  ASSERT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  fs::remove_all(box.data() + "Stripes");
  orvel_test::writeFile(box.data() + "Stripes", "in the way");
  LogCapture log;
  EXPECT_FALSE(InitializeApplicationFolders("/nowhere/orvel"));
  EXPECT_EQ(log.count("Cannot create the application data folder"), 1);
  EXPECT_TRUE(log.contains("Stripes"));
}

TEST_F(ShellFolders, ADeletedSubfolderIsMadeAgainWithoutAFirstRun) {
  ASSERT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  fs::remove_all(box.data() + "Recordings");
  EXPECT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  EXPECT_FALSE(isFirstRun.load());
  EXPECT_TRUE(fs::is_directory(box.data() + "Recordings"));
}

TEST_F(ShellFolders, TheDocumentsFolderOfTheUserFoldersFileIsUsed) {
  fs::create_directories(box.home() + "/.config");
  orvel_test::writeFile(box.home() + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers/Mine\"\n");
  EXPECT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
  EXPECT_EQ(theAppDataDir.utf8(), box.home() + "/Papers/Mine/Halden-Orvel/");
  EXPECT_TRUE(fs::is_directory(box.home() + "/Papers/Mine/Halden-Orvel/Settings"));
}

TEST_F(ShellFolders, TheApplicationFolderIsWhereTheLanguageFilesAre) {
  const std::string executable = box.scratch("bin");
  fs::create_directories(executable);
  // Only the resources have languages: they are the application folder.
  ASSERT_TRUE(InitializeApplicationFolders((executable + "/orvel").c_str()));
  EXPECT_EQ(GetAppDir().utf8() + "/", box.resources());

  // The executable's folder wins over the resources.
  fs::create_directories(executable + "/languages");
  ASSERT_TRUE(InitializeApplicationFolders((executable + "/orvel").c_str()));
  EXPECT_EQ(GetAppDir().utf8(), executable);

  // The working folder wins over both.
  fs::create_directories(box.work() + "/languages");
  ASSERT_TRUE(InitializeApplicationFolders((executable + "/orvel").c_str()));
  EXPECT_EQ(GetAppDir().utf8(), fs::current_path().string());
}

TEST(ShellResourceFolders, SubPathsAreJoinedWithOneSeparator) {
  ShellSandbox box;
  const std::string base = box.resources();
  EXPECT_EQ(getResourcesDir("").utf8(), base);
  EXPECT_EQ(getResourcesDir("languages").utf8(), base + "languages/");
  EXPECT_EQ(getResourcesDir("/shaders/glsl").utf8(), base + "shaders/glsl/");
  EXPECT_EQ(getResourcesDir("images/").utf8(), base + "images/");
  // A one-character piece (only a separator once trimmed) adds nothing.
  EXPECT_EQ(getResourcesDir("/").utf8(), base);
}

TEST(ShellCommandLine, RunFromIDEIsNotedAndLogged) {
  LogCapture log;
  setRunFromIDE(true);
  EXPECT_TRUE(runFromIDE.load());
  EXPECT_EQ(log.count("runFromIDE"), 1);
  setRunFromIDE(false);
  EXPECT_FALSE(runFromIDE.load());
}
