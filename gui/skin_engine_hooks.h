#pragma once
// What the skin engine calls in the layers above it: the skin script (controllers: a script engine made
// from the skin's script text, its skinInit function, and the element callbacks) and the user actions' video
// button. Those layers install the implementations at start-up (tests install their own); until then the
// operations answer as "no script" and "no video window", and say once in the log that they are not
// available yet. Hooks may be installed or removed at any time from any thread; a hook is called outside
// the hooks' own lock, so it may call these operations itself.

#include <functional>
#include <string>

// Replaces the skin script engine with one made from the text. Without an installed engine: true for an
// empty text, false (and "skin script: not available yet" once) otherwise.
bool initSkinScript(const std::string& text);
// Calls the skin script's skinInit function when a skin script exists.
void callSkinInitFunction();
// Calls the named function of the skin script with three integers; false when there is no skin script or
// the call fails.
bool callSkinCallbackFunction(const std::string& function, int a, int b, int c);
// Shows the video enable button according to whether the video output window is shown (after a skin load).
void testEnableVideoButton();

using ZRInitSkinScriptHook = std::function<bool(const std::string& text)>;
using ZRCallSkinInitHook = std::function<void()>;
using ZRCallSkinCallbackHook = std::function<bool(const std::string& function, int a, int b, int c)>;
using ZRTestEnableVideoButtonHook = std::function<void()>;

// Installs (or, with an empty function, removes) the implementation behind each operation.
void installInitSkinScriptHook(ZRInitSkinScriptHook hook);
void installCallSkinInitHook(ZRCallSkinInitHook hook);
void installCallSkinCallbackHook(ZRCallSkinCallbackHook hook);
void installTestEnableVideoButtonHook(ZRTestEnableVideoButtonHook hook);
