#pragma once
// The action functions the skin controls are bound to that do not exist yet, in ONE list. Each name here is
// bound to a placeholder that logs "action not available yet: NAME" once when a control calls it. When a
// function is built, its name leaves this list and joins the function table (action_functions.cpp); the
// binding test checks that every name the bindings use is in exactly one of the two.

// clang-format off
inline constexpr const char* kActionFunctionsNotAvailableYet[] = {
    "FDeck_AnalogIn",
    "FDeck_LoopCue_Click",
    "FDeck_LoopCue_UnClick",
    "FDeck_LoopRoll_Click",
    "FDeck_LoopRoll_UnClick",
    "FDeck_PitchCue_Click",
    "FDeck_PitchCue_UnClick",
    "FDeck_SliceCue_Click",
    "FDeck_SliceCue_UnClick",
    "FDeck_SliceLoopCue_Click",
    "FDeck_SliceLoopCue_UnClick",
    "FDeck_TimecodeIn",
    "FDeck_TimecodeRelative",
};
// clang-format on
