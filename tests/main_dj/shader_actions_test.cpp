// The shader drop-down and the shader list: the drop-down follows the layer's list and choice, its
// commands open the list or the import prompt, and the list renames and removes shaders.

#include "main_dj/shader_actions.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/textdlg.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "common/zr_dispatch_queue_simple.h"
#include "common/zr_global_task_dispatch.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/action_functions.h"
#include "main_dj/shader_dialogs.h"
#include "main_window_rig.h"
#include "support/display_required.h"
#include "support/test_support.h"
#include "video_mixing/zr_overlay_graphics_shader_layer.h"
#include "video_mixing/zr_video_output.h"

namespace {

using namespace orvel_test;

// What the boxes saw, and what the test's user does in them.
struct Script {
  std::vector<std::string> shown;         // titles (or messages of message boxes) in order
  std::vector<std::string> listLines;     // the shader list's lines when it opened
  std::function<void(wxDialog&)> inList;  // clicks in the shader list
  std::vector<std::string> answers;       // typed into the text boxes, in turn ("" cancels)
};
Script* script = nullptr;

int run(wxDialog& dialog) {
  if (auto* entry = dynamic_cast<wxTextEntryDialog*>(&dialog)) {
    script->shown.push_back(std::string(dialog.GetTitle().utf8_str()));
    std::string answer;
    if (!script->answers.empty()) {
      answer = script->answers.front();
      script->answers.erase(script->answers.begin());
    }
    entry->SetValue(wxString::FromUTF8(answer));
    return answer.empty() ? wxID_CANCEL : wxID_OK;
  }
  if (auto* box = dynamic_cast<wxMessageDialogBase*>(&dialog)) {
    script->shown.push_back("message: " + std::string(box->GetMessage().utf8_str()));
    return wxID_OK;
  }
  script->shown.push_back(std::string(dialog.GetTitle().utf8_str()));
  if (auto* list = dynamic_cast<wxListBox*>(dialog.FindWindow(kShaderListBox))) {
    for (unsigned i = 0; i < list->GetCount(); ++i)
      script->listLines.push_back(std::string(list->GetString(i).utf8_str()));
  }
  if (script->inList) script->inList(dialog);
  return wxID_CANCEL;
}

void click(wxDialog& dialog, int id) {
  auto* button = dynamic_cast<wxButton*>(dialog.FindWindow(id));
  ASSERT_NE(button, nullptr) << id;
  wxCommandEvent event(wxEVT_BUTTON, id);
  event.SetEventObject(button);
  button->GetEventHandler()->ProcessEvent(event);
}

void selectLine(wxDialog& dialog, int line) {
  dynamic_cast<wxListBox*>(dialog.FindWindow(kShaderListBox))->SetSelection(line);
}

std::string lines(wxDialog& dialog) {
  auto* list = dynamic_cast<wxListBox*>(dialog.FindWindow(kShaderListBox));
  std::string out;
  for (unsigned i = 0; i < list->GetCount(); ++i) out += std::string(list->GetString(i).utf8_str()) + ";";
  return out;
}

class ShaderActions : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    for (const char* name : {"a.frag", "b.frag", "c.frag"})
      ASSERT_TRUE(writeFile(dir_.file(name), "void main() { gl_FragColor = vec4(1.0); }\n"));
    ASSERT_TRUE(writeFile(dir_.file("shaders.xml"),
                          "<shaders version=\"1\" currentShader=\"1\">\n"
                          "<shader shaderID=\"a\" name=\"Aurora\" filename=\"a.frag\" />\n"
                          "<shader shaderID=\"b\" name=\"Bloom\" filename=\"b.frag\" />\n"
                          "<shader shaderID=\"c\" name=\"Comet\" filename=\"c.frag\" />\n"
                          "</shaders>\n"));
    layer_ = std::make_shared<ZROverlayGraphicsShaderLayer>(ZRString(dir_.path() + "/"),
                                                            &FVideoShaderCallback, &queue_);
    setVideoOutputShaderLayer(layer_);
    table_ = std::make_shared<TestNodeTable>();
    installActionControls(table_);
    script = &script_;
    setModalRunner(&run);
    queue_.execute();
  }
  void TearDown() override {
    setModalRunner(nullptr);
    script = nullptr;
    installActionControls(nullptr);
    setVideoOutputShaderLayer(nullptr);
    if (layer_) layer_->stopProcessing();
  }
  TestNodeTable::Control dropDown() { return table_->get(ACT_dropdown_video_shader, -1); }
  // The drop-down as the user picks item index.
  void pick(int index) {
    table_->selectItem(ACT_dropdown_video_shader, -1, index, false);
    FVideoShaderOnChange(index, ACT_dropdown_video_shader, -1, nullptr);
    queue_.execute();
  }

  TempDir dir_;
  ZRDispatchQueueSimple queue_{"main"};
  std::shared_ptr<ZROverlayGraphicsShaderLayer> layer_;
  std::shared_ptr<TestNodeTable> table_;
  Script script_;
};

TEST_F(ShaderActions, TheDropDownListsTheShadersAndFollowsTheChoice) {
  ASSERT_FALSE(isActionPlaceholder(actionFunction("FVideoShaderOnChange")));
  const std::vector<std::pair<std::string, int>> items = {{"No shader", 0},
                                                          {"Aurora", 1},
                                                          {"Bloom", 2},
                                                          {"Comet", 3},
                                                          {"", 0},
                                                          {"Edit shaders ...", 1001},
                                                          {"Add a new shader ...", 1000}};
  EXPECT_EQ(dropDown().items, items);
  EXPECT_EQ(dropDown().selected, 2);
  pick(3);
  EXPECT_EQ(layer_->getCurrentShader(), 2);
  EXPECT_EQ(dropDown().selected, 3);
  pick(0);
  EXPECT_EQ(layer_->getCurrentShader(), -1);
  EXPECT_EQ(dropDown().selected, 0);
  EXPECT_TRUE(script_.shown.empty());
}

TEST_F(ShaderActions, TheCommandsOpenTheirBoxAndLeaveTheChoiceAsItWas) {
  pick(6);  // "Add a new shader ...", cancelled
  EXPECT_EQ(dropDown().selected, 2);
  EXPECT_EQ(layer_->getCurrentShader(), 1);
  ASSERT_EQ(script_.shown.size(), 1u);
  EXPECT_EQ(script_.shown[0], "Add a new shader from the shader-sharing site");
  pick(5);  // "Edit shaders ...", closed at once
  EXPECT_EQ(dropDown().selected, 2);
  ASSERT_EQ(script_.shown.size(), 2u);
  EXPECT_EQ(script_.shown[1], "Edit shaders");
  EXPECT_EQ(script_.listLines, (std::vector<std::string>{"Aurora", "Bloom", "Comet"}));
}

TEST_F(ShaderActions, TheListRenamesAndRemovesTheSelectedShaderOnly) {
  script_.answers = {"Bloom 2", ""};
  script_.inList = [](wxDialog& dialog) {
    // Nothing selected: Rename and Remove do nothing.
    dynamic_cast<wxListBox*>(dialog.FindWindow(kShaderListBox))->SetSelection(wxNOT_FOUND);
    click(dialog, kShaderListRename);
    click(dialog, kShaderListRemove);
    EXPECT_EQ(lines(dialog), "Aurora;Bloom;Comet;");
    selectLine(dialog, 1);
    click(dialog, kShaderListRename);  // "Bloom 2"
    EXPECT_EQ(lines(dialog), "Aurora;Bloom 2;Comet;");
    click(dialog, kShaderListRename);  // an empty answer keeps the name
    EXPECT_EQ(lines(dialog), "Aurora;Bloom 2;Comet;");
    selectLine(dialog, 0);
    click(dialog, kShaderListRemove);
    EXPECT_EQ(lines(dialog), "Bloom 2;Comet;");
    click(dialog, kShaderListClose);
  };
  ShowEditShadersDialog();
  EXPECT_EQ(script_.shown, (std::vector<std::string>{"Edit shaders", "Rename shader", "Rename shader"}));
  ASSERT_EQ(layer_->getTotalShaders(), 2);
  EXPECT_EQ(layer_->getShaderName(0).utf8(), "Bloom 2");
  // The current shader (Bloom) stayed current though a line above it went.
  EXPECT_EQ(layer_->getCurrentShader(), 0);
}

TEST_F(ShaderActions, AddClosesTheListAndAFailedImportShowsOneMessage) {
  script_.answers = {"file:///home/dj/local.frag"};
  script_.inList = [](wxDialog& dialog) { click(dialog, kShaderListAdd); };
  ShowEditShadersDialog();
  EXPECT_EQ(script_.shown,
            (std::vector<std::string>{"Edit shaders", "Add a new shader from the shader-sharing site"}));
  // The import reports on the "main" queue.
  ZRGlobalTaskDispatch* dispatch = ZRGlobalTaskDispatch::getInstance();
  ASSERT_TRUE(pumpUntil(
      [&] {
        dispatch->syncQueueMainThread();
        return script_.shown.size() >= 3;
      },
      10000));
  pumpFor(50);
  dispatch->syncQueueMainThread();
  EXPECT_EQ(script_.shown,
            (std::vector<std::string>{"Edit shaders", "Add a new shader from the shader-sharing site",
                                      "message: warning: currently not supporting local shader files"}));
  EXPECT_EQ(layer_->getTotalShaders(), 3);
}

TEST(ShaderActionsWithoutLayer, NothingHappensWithoutTheShaderLayer) {
  setVideoOutputShaderLayer(nullptr);
  FVideoShaderOnChange(0, 0, -1, nullptr);
  EXPECT_FALSE(FVideoShaderCallback(1));
  ShowEditShadersDialog();
  ShowAddShaderDialog();
}

}  // namespace
