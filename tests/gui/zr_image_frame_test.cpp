// The picture message window: the picture from the resources' images folder, or the message text in a plain
// frame when there is none; shown without waiting.

#include "gui/zr_image_frame.h"

#include <gtest/gtest.h>
#include <wx/stattext.h>

#include <filesystem>

#include "common/zr_files_platform.h"
#include "support/display_required.h"
#include "support/image_fixtures.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "wx_test_app.h"

namespace {

class PictureMessage : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    // As the application does at start-up, once.
    static const bool handlers = (wxInitAllImageHandlers(), true);
    (void)handlers;
    std::filesystem::create_directories(resources.file("images"));
    SetResourcesDirOverride_Apple(resources.path().c_str());
  }
  void TearDown() override { SetResourcesDirOverride_Apple(nullptr); }
  orvel_test::TempDir resources;
};

}  // namespace

TEST_F(PictureMessage, ThePictureSetsTheWindowsSize) {
  orvel_test::writeFile(resources.file("images/loading.png"),
                        orvel_test::encodePng(orvel_test::solidPicture(120, 80, 10, 20, 30), false));
  wxFrame* frame = showSpecialMessageWindow("Loading...", "Loading database and settings. Please wait.",
                                            "loading.png", 1, true, nullptr);
  ASSERT_NE(frame, nullptr);
  auto* picture = dynamic_cast<ZRImageFrame*>(frame);
  ASSERT_NE(picture, nullptr);
  EXPECT_TRUE(frame->IsShown());
  EXPECT_EQ(frame->GetTitle(), "Loading...");
  EXPECT_EQ(picture->windowType, 1);
  EXPECT_TRUE(picture->bitmap.IsOk());
  EXPECT_EQ(picture->bitmap.GetWidth(), 120);
  EXPECT_EQ(frame->GetClientSize(), wxSize(120, 80));
  EXPECT_TRUE(frame->HasFlag(wxSTAY_ON_TOP));
  frame->Close(false);
}

TEST_F(PictureMessage, WithoutThePictureTheTextIsShown) {
  wxFrame* frame = showSpecialMessageWindow("Saving...", "Saving database and settings. Please wait.",
                                            "saving.png", 2, true, nullptr);
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(dynamic_cast<ZRImageFrame*>(frame), nullptr);
  EXPECT_EQ(frame->GetName(), "frame");
  EXPECT_TRUE(frame->IsShown());
  wxStaticText* text = nullptr;
  for (wxWindow* child : frame->GetChildren()) {
    for (wxWindow* grandChild : child->GetChildren()) {
      if (auto* t = dynamic_cast<wxStaticText*>(grandChild)) text = t;
    }
  }
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetLabel(), "Saving database and settings. Please wait.");
  EXPECT_EQ(text->GetPosition(), wxPoint(32, 32));
  EXPECT_EQ(frame->GetClientSize(), text->GetSize() + wxSize(64, 64));
  EXPECT_GT(text->GetFont().GetPointSize(), wxNORMAL_FONT->GetPointSize());
  frame->Close(false);
}

TEST_F(PictureMessage, AnUnreadablePictureIsLoggedAndLeavesAnEmptyWindow) {
  orvel_test::writeFile(resources.file("images/loading.png"), "not a picture");
  orvel_test::LogCapture log;
  wxFrame* frame = showSpecialMessageWindow("Loading...", "text", "loading.png", 1, true, nullptr);
  auto* picture = dynamic_cast<ZRImageFrame*>(frame);
  ASSERT_NE(picture, nullptr);
  EXPECT_FALSE(picture->bitmap.IsOk());
  EXPECT_EQ(log.count("error: loading image in ZRImageWindow"), 1);
  frame->Close(false);
}
