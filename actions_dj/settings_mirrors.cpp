#include "actions_dj/settings_mirrors.h"

std::atomic<int> cfg_elapsed_time_displays_remain{0};
std::atomic<int> cfg_show_shaders_on_top{0};
std::atomic<int> cfg_enable_video_opengl{1};
std::atomic<bool> updateBatchAudioDetection{false};
std::atomic<bool> fillerPlayerOn{false};
