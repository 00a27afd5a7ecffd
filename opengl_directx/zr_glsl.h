#pragma once
// ZRGLSL: compiling and linking GLSL 1.20 programs, the shader sources the textures and the line batch
// use, and the name tables of the video effects and transitions. Compiling needs a current GL context
// (render thread).

// Vertex shaders that pass the colour and texture coordinates 0 and 1 on and transform with the
// fixed-function matrices; the masking and line programs.
extern const char* const vertex_shader_default;
extern const char* const vertexShaderMasking;
extern const char* const pixelShaderMasking;
extern const char* const vertexShaderMasking2;
extern const char* const pixelShaderMasking2;
extern const char* const vertex_shader_lines;
extern const char* const fragment_shader_lines;

// Compiles one shader of the type (GL_VERTEX_SHADER, GL_FRAGMENT_SHADER) and attaches it; the shader is
// flagged for deletion so it lives as long as the program. Nothing for a null source. On failure logs
// (the compiler's message and the source) and attaches nothing; false.
bool shaderAttachFromSource(unsigned program, unsigned shaderType, const char* source);

// A linked program of the fragment shader and the vertex shader (vertex_shader_default when null); 0, with
// a log line, when it cannot be built.
unsigned shadersCreateProgram(const char* fragmentSource, const char* vertexSource);

// The names of the video effects and transitions (11 each). Names only: no program stands behind them.
// The get functions copy the name at index into buffer (an empty string for an index outside 0..10;
// nothing for a null buffer); buffer must hold 16 bytes.
int getVideoEffectsGLSLTotal();
void getVideoEffectGLSLName(int index, char* buffer);
int getVideoTransitionsGLSLTotal();
void getVideoTransitionGLSLName(int index, char* buffer);
