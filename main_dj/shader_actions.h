#pragma once
// The shell's side of the audio-reactive shader: the shader layer is made at start-up from the Shaders
// folder's list, installed as the video output's shader and fed with the master's sound; the skin's
// shader drop-down (dropdown_video_shader) lists "No shader", the shaders, an empty line, "Edit shaders
// ..." and "Add a new shader ..." and follows the layer's list and choice.
//
// Threads: FVideoShaderOnChange may run on the render thread (it posts the dialogs to the main thread);
// FVideoShaderCallback runs on the main thread (the layer posts it to the "main" queue); start and stop
// run on the main thread.

#include <memory>

class ZRDrawNode;
class ZROverlayGraphicsShaderLayer;

// The item data of the drop-down's two commands.
inline constexpr int kShaderItemEdit = 1001;
inline constexpr int kShaderItemAdd = 1000;

// dropdown_video_shader (after change): item 0 chooses no shader, items 1..n shader item - 1; the command
// items put the selection back on the current shader and open the shader list or the import prompt.
void FVideoShaderOnChange(int value, int param, int deck, ZRDrawNode* node);
// The layer's list changed (event 1: the drop-down is filled again) or its choice (event 0: the selection
// follows). False without the layer; other events log "FVideoShaderCallback: unknown event".
bool FVideoShaderCallback(int event);

// Start-up: makes the layer (reading shaders.xml), installs it on the video output and as the master's
// audio tap, and fills the drop-down.
void startShaderLayer();
// Shut-down, after the render thread has ended: removes the tap and the layer, which writes shaders.xml.
void stopShaderLayer();

// The layer (null before start-up and after shut-down).
std::shared_ptr<ZROverlayGraphicsShaderLayer> overlayGraphicsLayerShader();
