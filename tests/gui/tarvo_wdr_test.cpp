// The generated dialog layouts on their own: the preferences notebook with its six pages as designed and
// the one-row language chooser.

#include "gui/tarvo_wdr.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/notebook.h>
#include <wx/slider.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "support/display_required.h"
#include "wx_test_app.h"

namespace {

template <typename T>
T* find(wxWindow& dialog, int id) {
  return dynamic_cast<T*>(dialog.FindWindow(id));
}

}  // namespace

TEST(PreferencesLayout, SixPagesWithTheirControlsAsDesigned) {
  if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  wxDialog dialog(nullptr, wxID_ANY, "Preferences");
  wxSizer* top = CfgDialogFunc(&dialog, true, true);
  EXPECT_EQ(dialog.GetSizer(), top);

  auto* notebook = find<wxNotebook>(dialog, ID_CFG_NOTEBOOK);
  ASSERT_NE(notebook, nullptr);
  const char* titles[] = {"General", "Audio Routing", "Video", "Karaoke", "Control", "Broadcast"};
  ASSERT_EQ(notebook->GetPageCount(), 6u);
  for (size_t i = 0; i < 6; ++i) EXPECT_EQ(notebook->GetPageText(i), titles[i]);

  // A few controls of every page, with their initial contents.
  ASSERT_NE(find<wxChoice>(dialog, ID_CFG_SKIN_CHOICE), nullptr);
  EXPECT_EQ(find<wxChoice>(dialog, ID_CFG_SKIN_CHOICE)->GetCount(), 2u);
  auto* fade = find<wxSlider>(dialog, 10055);
  ASSERT_NE(fade, nullptr);
  EXPECT_EQ(fade->GetMin(), 10);
  EXPECT_EQ(fade->GetMax(), 200);
  EXPECT_EQ(fade->GetValue(), 100);
  EXPECT_EQ(find<wxStaticText>(dialog, 10065)->GetLabelText(), "LowPass & HighPass");
  EXPECT_EQ(find<wxSlider>(dialog, ID_CFG_LATENCY_SLIDER)->GetMax(), 90);
  for (int id = 10008; id <= 10028; id += 2) EXPECT_NE(find<wxChoice>(dialog, id), nullptr) << id;
  EXPECT_NE(find<wxButton>(dialog, ID_CFG_ASIO_PANEL), nullptr);
  EXPECT_NE(find<wxCheckBox>(dialog, 10167), nullptr);
  EXPECT_EQ(find<wxSlider>(dialog, 10213)->GetValue(), 127);
  EXPECT_EQ(find<wxStaticText>(dialog, 10211)->GetLabel(), "3 singers");
  EXPECT_NE(dialog.FindWindow(ID_CFG_MIDI_LIST), nullptr);
  EXPECT_EQ(find<wxChoice>(dialog, 10160)->GetCount(), 5u);
  EXPECT_TRUE(find<wxCheckBox>(dialog, 10166)->GetValue());
  EXPECT_TRUE(find<wxTextCtrl>(dialog, 10157)->HasFlag(wxTE_PASSWORD));
  EXPECT_EQ(find<wxTextCtrl>(dialog, 10164)->GetValue(), kBroadcastDefaultWebsite);
  // The dialog takes the size its contents need.
  EXPECT_GE(dialog.GetClientSize().GetWidth(), notebook->GetBestSize().GetWidth());
}

TEST(LanguageChooserLayout, OneChoiceAndOK) {
  if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  wxDialog dialog(nullptr, wxID_ANY, "Orvel");
  LanguageDialogFunc(&dialog, true, true);
  auto* choice = find<wxChoice>(dialog, ID_LANGUAGE_CHOICE);
  ASSERT_NE(choice, nullptr);
  EXPECT_EQ(choice->GetCount(), 0u);
  auto* ok = find<wxButton>(dialog, wxID_OK);
  ASSERT_NE(ok, nullptr);
  EXPECT_EQ(ok->GetLabel(), "OK");
  EXPECT_EQ(dialog.FindWindow(wxID_CANCEL), nullptr);
}
