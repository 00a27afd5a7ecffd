// The control classes by element type: each skin element tag becomes its control, the root an image node,
// the hint bubble the controls' own.

#include "gui_nodes/zr_control_classes.h"

#include <functional>
#include <memory>

#include "common/action_vocabulary.h"
#include "control_test_support.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_back_solid.h"
#include "gui_nodes/zr_node_beat_indicators.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_cf_curve.h"
#include "gui_nodes/zr_node_drop_down.h"
#include "gui_nodes/zr_node_edit_text.h"
#include "gui_nodes/zr_node_grid.h"
#include "gui_nodes/zr_node_hint.h"
#include "gui_nodes/zr_node_jog_wheel.h"
#include "gui_nodes/zr_node_play_live.h"
#include "gui_nodes/zr_node_rounded_progress.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_text.h"
#include "gui_nodes/zr_node_video.h"
#include "gui_nodes/zr_node_vu_meter.h"
#include "gui_nodes/zr_node_xy_pad.h"

namespace orvel_test {
namespace {

template <class T>
bool is(ZRDrawNode* node) {
  return dynamic_cast<T*>(node) != nullptr;
}

TEST(ControlClasses, EachElementTypeBecomesItsControl) {
  registerControlClasses();
  ZRControlClassFactory factory;
  const std::pair<int, std::function<bool(ZRDrawNode*)>> types[] = {
      {ELEMENT_button, is<ZRNodeButton>},       {ELEMENT_slider, is<ZRNodeSliderKnob>},
      {ELEMENT_textarea, is<ZRNodeText>},       {ELEMENT_image, is<ZRNodeBackImage>},
      {ELEMENT_backsolid, is<ZRNodeBackSolid>}, {ELEMENT_dropdownlist, is<ZRNodeDropDown>},
      {ELEMENT_editarea, is<ZRNodeEditText>},   {ELEMENT_vumeter, is<ZRNodeVUMeter>},
      {ELEMENT_xypad, is<ZRNodeXYPad>},         {ELEMENT_rounded_progress, is<ZRNodeRoundedProgress>},
      {ELEMENT_playlive, is<ZRNodePlayLive>},   {ELEMENT_wheel, is<ZRNodeJogWheel>},
      {ELEMENT_beatpos, is<ZRNodeBeatPos>},     {ELEMENT_beatdiff, is<ZRNodeBeatDiff>},
      {ELEMENT_video, is<ZRNodeVideo>},         {ELEMENT_seqpos, is<ZRNodeSequencerPos>},
      {ELEMENT_cfcurve, is<ZRNodeCFCurve>},     {ELEMENT_grid, is<ZRNodeGrid>},
  };
  for (const auto& [type, check] : types) {
    std::unique_ptr<ZRDrawNode> node(factory.createNode(type, nullptr, 1, 7, 0));
    ASSERT_NE(node, nullptr) << CACTIONTYPES_TAGNAMES[type];
    EXPECT_TRUE(check(node.get())) << CACTIONTYPES_TAGNAMES[type];
    EXPECT_EQ(node->id, 7);
    EXPECT_EQ(node->deck, 0);
  }
  std::unique_ptr<ZRDrawNode> none(factory.createNode(ELEMENT_flow, nullptr, 1, 1, -1));
  EXPECT_EQ(none, nullptr);
  std::unique_ptr<ZRDrawNode> group(factory.createNode(ELEMENT_group, nullptr, 1, 1, -1));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(typeid(*group), typeid(ZRDrawNode));
}

TEST(ControlClasses, TheManagersRootAndHint) {
  registerControlClasses();
  ZRControlClassFactory factory;
  ZRNodeManager manager(nullptr, &factory);
  EXPECT_TRUE(is<ZRNodeBackImage>(manager.getRootNode()));
  EXPECT_TRUE(manager.getRootNode()->doubleClickAllowed);
  EXPECT_NE(dynamic_cast<ZRNodeHint*>(manager.getHintNode()), nullptr);
  // A per-deck control exists for both decks, learnable where shortcuts reach it.
  auto* play0 = dynamic_cast<ZRNodePlayLive*>(manager.getNode("deck_playlive", 0));
  auto* play1 = dynamic_cast<ZRNodePlayLive*>(manager.getNode("deck_playlive", 1));
  ASSERT_TRUE(play0 && play1);
  EXPECT_EQ(play1->deck, 1);
  EXPECT_EQ(play0->getTotalShortcutsKB(), 1);
  auto* slider = dynamic_cast<ZRNodeSliderKnob*>(manager.getNode("master_volume", -1));
  ASSERT_NE(slider, nullptr);
  EXPECT_EQ(slider->getTotalShortcutsKB(), 2);
  EXPECT_TRUE(slider->getCanUseLearn());
}

}  // namespace
}  // namespace orvel_test
