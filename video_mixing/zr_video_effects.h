#pragma once
// The pixel shaders behind the video effect and transition lists (the names are opengl_directx's
// getVideoEffectGLSLName and getVideoTransitionGLSLName, 11 of each, index 0 "None" and "Fade").
//
// An effect shader reads "texture" (the deck's picture) and writes it changed, keeping the draw's
// opacity (the vertex colour's alpha); "totalTime" moves the animated ones. A transition shader reads
// "texture" (deck B's picture), "textureMask" (deck A's, same size and orientation) and "mix_" (the video
// crossfader: 0 deck A only, 1 deck B only) and writes the blend, opaque.
//
// Threads: any (the sources are constant text); the programs are compiled by the textures on the render
// thread.

// The GLSL source of effect index (1..10); null for 0 ("None") and indices outside the list.
const char* videoEffectShaderSource(int index);
// The GLSL source of transition index (1..10); null for 0 ("Fade", drawn by opacity) and outside the list.
const char* videoTransitionShaderSource(int index);
