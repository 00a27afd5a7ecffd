#pragma once
// The action functions the skin controls are bound to that do not exist yet, in ONE list. Each name here is
// bound to a placeholder that logs "action not available yet: NAME" once when a control calls it. When a
// function is built, its name leaves this list and joins the function table (action_functions.cpp); the
// binding test checks that every name the bindings use is in exactly one of the two.

#include <array>

// Every bound action is built now: a name added here again takes the count with it.
inline constexpr std::array<const char*, 0> kActionFunctionsNotAvailableYet{};
