#pragma once
// The text written in front of a shader fetched from the shader-sharing service before it is translated:
// it declares what the service's shaders take for granted (precision on GL ES, the newer shading
// language's functions built from older ones, the service's standard inputs as uniforms) and a main()
// that calls the service's entry point mainImage(out vec4 colour, in vec2 pixel) for each fragment.

const char* shaderCompatibilityHeader();
