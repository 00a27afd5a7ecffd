#pragma once
// The content a first run starts with: the default sampler bank ("sampler.xml" of the data folder's
// Samples folder), filled from the resources when the data folder was made. Called once by the GUI tick,
// half a second after start-up. (The default overlays, "default.xml" of the Overlays folder, are the
// overlays file in use until the user picks another: main_dj/overlay_actions.h loads them at every start.)
//
// Render thread (inside the GUI tick).

void loadDefaultContent();
