#pragma once
// The content a first run starts with: the default sampler bank ("sampler.xml" of the data folder's
// Samples folder) and the default overlays ("default.xml" of its Overlays folder), both filled from the
// resources when the data folder was made. Called once by the GUI tick, half a second after start-up.
//
// Render thread (inside the GUI tick).

void loadDefaultContent();
