// A first start with an empty home folder and the resources the application ships: the data folder filled
// with the default content, English loaded, the Orvel skin chosen and loaded and the null output playing.

#include <gtest/gtest.h>

#include <filesystem>

#include "common/language_tables.h"
#include "common/text_ids.h"
#include "main_dj/shell_state.h"
#include "shell_engine_rig.h"
#include "support/display_required.h"
#include "support/test_support.h"

namespace fs = std::filesystem;

TEST(ShippedStart, AFirstStartWithTheShippedResources) {
  if (!orvel_test::ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  orvel_test::ShellSandbox box(false);
  orvel_test::ShellRig rig;
  ASSERT_TRUE(rig.ok());
  EXPECT_TRUE(isFirstRun.load());
  for (const char* file : {"Samples/Kick.wav", "Samples/sampler.xml", "DemoSongs/Night Drive.mp3",
                           "Overlays/default.xml", "Settings/language.xml"}) {
    EXPECT_TRUE(fs::is_regular_file(box.data() + file)) << file;
  }
  EXPECT_FALSE(getTextName(txt_no_audio).empty());

  setSkinWindowLoader([&rig](const ZRString& xml, const ZRString& image, int w, int h, int parts) {
    return rig.manager().loadSkin(xml, image, w, h, parts);
  });
  ASSERT_EQ(rig.start(), 1);
  EXPECT_EQ(orvel_test::ShellRig::textSetting("UserInterface"), "Orvel");
  EXPECT_EQ(rig.manager().getSkinPath().getNameAndExt().utf8(), "orvel.xml");
  EXPECT_EQ(orvel_test::ShellRig::openRow(), orvel_test::ShellRig::row("Null output"));
  EXPECT_EQ(orvel_test::ShellRig::textSetting("AudioDevice2"), getTextName(txt_no_audio).utf8());
}
