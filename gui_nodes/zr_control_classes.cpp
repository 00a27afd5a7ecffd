

#include "common/action_vocabulary.h"
#include "gui_nodes/zr_control_classes.h"
#include "gui_nodes/zr_control_support.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_back_solid.h"
#include "gui_nodes/zr_node_beat_indicators.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_cf_curve.h"
#include "gui_nodes/zr_node_drop_down.h"
#include "gui_nodes/zr_node_edit_text.h"
#include "gui_nodes/zr_node_grid.h"
#include "gui_nodes/zr_node_hint.h"
#include "gui_nodes/zr_node_jog_wheel.h"
#include "gui_nodes/zr_node_play_live.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_rounded_progress.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_sound_display.h"
#include "gui_nodes/zr_node_text.h"
#include "gui_nodes/zr_node_video.h"
#include "gui_nodes/zr_node_vu_meter.h"
#include "gui_nodes/zr_node_xy_pad.h"
#include <array>
#include <atomic>
#include <mutex>

namespace {

std::array<std::atomic<ZRControlCreator>, CACTIONTYPES_COUNT> creators{};

}  // namespace

void registerControlClass(int elementType, ZRControlCreator creator) {
  if (elementType < 0 || elementType >= CACTIONTYPES_COUNT) return;
  creators[elementType].store(creator, std::memory_order_release);
}

void registerControlClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Each control adds its registration here as it is built.
    registerBrowserTreeClass();
    registerTrackTableClass();
    registerWaveformDisplayClasses();
    registerControlClass(ELEMENT_button, &createControl<ZRNodeButton>);
    registerControlClass(ELEMENT_slider, &createControl<ZRNodeSliderKnob>);
    registerControlClass(ELEMENT_textarea, &createControl<ZRNodeText>);
    registerControlClass(ELEMENT_image, &createControl<ZRNodeBackImage>);
    registerControlClass(ELEMENT_backsolid, &createControl<ZRNodeBackSolid>);
    registerControlClass(ELEMENT_dropdownlist, &createControl<ZRNodeDropDown>);
    registerControlClass(ELEMENT_editarea, &createControl<ZRNodeEditText>);
    registerControlClass(ELEMENT_vumeter, &createControl<ZRNodeVUMeter>);
    registerControlClass(ELEMENT_xypad, &createControl<ZRNodeXYPad>);
    registerControlClass(ELEMENT_rounded_progress, &createControl<ZRNodeRoundedProgress>);
    registerControlClass(ELEMENT_playlive, &createControl<ZRNodePlayLive>);
    registerControlClass(ELEMENT_wheel, &createControl<ZRNodeJogWheel>);
    registerControlClass(ELEMENT_beatpos, &createControl<ZRNodeBeatPos>);
    registerControlClass(ELEMENT_beatdiff, &createControl<ZRNodeBeatDiff>);
    registerControlClass(ELEMENT_video, &createControl<ZRNodeVideo>);
    registerControlClass(ELEMENT_seqpos, &createControl<ZRNodeSequencerPos>);
    registerControlClass(ELEMENT_cfcurve, &createControl<ZRNodeCFCurve>);
    registerControlClass(ELEMENT_grid, &createControl<ZRNodeGrid>);
  });
}

ZRDrawNode* ZRControlClassFactory::createNode(int type, ZRNodeManager* manager, float scale, int id,
                                              int deck) {
  if (!typeHasClass(type)) return nullptr;
  if (const ZRControlCreator creator = creators[type].load(std::memory_order_acquire)) {
    return creator(manager, scale, id, deck);
  }
  return ZRNodeClassFactory::createNode(type, manager, scale, id, deck);
}

ZRDrawNode* ZRControlClassFactory::createRootNode(ZRNodeManager* manager, float scale,
                                                  ZRPointerActionCallback onDoubleClick) {
  return ZRNodeBackImage::createRoot(manager, scale, onDoubleClick);
}

ZRNodeHintBase* ZRControlClassFactory::createHintNode(ZRNodeManager* manager, float scale) {
  return new ZRNodeHint(manager, scale);
}
