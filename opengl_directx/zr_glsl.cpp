#include "opengl_directx/zr_glsl.h"

#include <GL/glew.h>

#include <cstring>
#include <vector>

#include "common/zr_logging.h"

namespace {

// Colour and texture coordinates 0 and 1 passed on, the vertex through the fixed-function matrices.
constexpr char kPassThrough[] = R"(#version 120
void main() {
  gl_FrontColor = gl_Color;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_TexCoord[1] = gl_MultiTexCoord1;
  gl_Position = ftransform();
}
)";

}  // namespace

const char* const vertex_shader_default = kPassThrough;
const char* const vertexShaderMasking = kPassThrough;

// A mask's grey level, limited by its alpha, multiplies the picture's alpha.
const char* const pixelShaderMasking = R"(#version 120
uniform sampler2D texture;
uniform sampler2D textureMask;
float level(vec4 m) { return min((m.r + m.g + m.b) / 3.0, m.a); }
void main() {
  vec4 c = texture2D(texture, gl_TexCoord[0].st);
  float m = level(texture2D(textureMask, gl_TexCoord[1].st));
  gl_FragColor = vec4(c.rgb, c.a * m);
}
)";

const char* const vertexShaderMasking2 = R"(#version 120
void main() {
  gl_FrontColor = gl_Color;
  gl_TexCoord[0] = gl_MultiTexCoord0;
  gl_TexCoord[1] = gl_MultiTexCoord1;
  gl_TexCoord[2] = gl_MultiTexCoord2;
  gl_Position = ftransform();
}
)";

// With two masks the smaller level counts.
const char* const pixelShaderMasking2 = R"(#version 120
uniform sampler2D texture;
uniform sampler2D textureMask;
uniform sampler2D textureMask2;
float level(vec4 m) { return min((m.r + m.g + m.b) / 3.0, m.a); }
void main() {
  vec4 c = texture2D(texture, gl_TexCoord[0].st);
  float m1 = level(texture2D(textureMask, gl_TexCoord[1].st));
  float m2 = level(texture2D(textureMask2, gl_TexCoord[2].st));
  gl_FragColor = vec4(c.rgb, c.a * min(m1, m2));
}
)";

const char* const vertex_shader_lines = R"(#version 120
void main() {
  gl_FrontColor = gl_Color;
  gl_Position = ftransform();
}
)";

const char* const fragment_shader_lines = R"(#version 120
void main() {
  gl_FragColor = gl_Color;
}
)";

namespace {

std::string infoLog(GLuint object, bool program) {
  GLint length = 0;
  if (program) {
    glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  } else {
    glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  }
  if (length <= 0) return std::string();
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  if (program) {
    glGetProgramInfoLog(object, length, nullptr, text.data());
  } else {
    glGetShaderInfoLog(object, length, nullptr, text.data());
  }
  return std::string(text.data());
}

const char* const effectNames[] = {"None", "Water", "ZoomBlur", "Invert", "Toon", "Tiles",
                                   "Red",  "Green", "Blue",     "B/W",    "Sepia"};
const char* const transitionNames[] = {"Fade",    "Cut",     "Slide H",  "Slide V", "Wave", "Circle",
                                       "Swipe H", "Swipe V", "Pixelate", "Blinds",  "Blur"};

void copyName(const char* const* table, int total, int index, char* buffer) {
  if (buffer == nullptr) return;
  buffer[0] = '\0';
  if (index >= 0 && index < total) std::strcpy(buffer, table[index]);
}

}  // namespace

bool shaderAttachFromSource(unsigned program, unsigned shaderType, const char* source) {
  if (source == nullptr) return true;
  GLuint shader = glCreateShader(shaderType);
  if (shader == 0) {
    ZRLOG("error: (shaderCompileFromSource) cannot create shader");
    return false;
  }
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  GLint compiled = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
  if (compiled != GL_TRUE) {
    ZRLOG("shaderCompileFromSource(): Unable to compile:\n%s\nSOURCE:\n%s\n", infoLog(shader, false).c_str(),
          source);
    glDeleteShader(shader);
    return false;
  }
  glAttachShader(program, shader);
  // Flagged now, deleted with the program.
  glDeleteShader(shader);
  return true;
}

unsigned shadersCreateProgram(const char* fragmentSource, const char* vertexSource) {
  GLuint program = glCreateProgram();
  if (program == 0) {
    ZRLOG("error: GLSL cannot create program");
    return 0;
  }
  const bool attached =
      shaderAttachFromSource(program, GL_VERTEX_SHADER,
                             vertexSource != nullptr ? vertexSource : vertex_shader_default) &&
      shaderAttachFromSource(program, GL_FRAGMENT_SHADER, fragmentSource);
  GLint linked = GL_FALSE;
  if (attached) {
    glLinkProgram(program);
    glGetProgramiv(program, GL_LINK_STATUS, &linked);
  }
  if (linked != GL_TRUE) {
    // A shader that did not compile was logged already; linking what is left would only hide it.
    if (attached) ZRLOG("sceneInit(): Program linking failed: %s\n", infoLog(program, true).c_str());
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

int getVideoEffectsGLSLTotal() {
  return 11;
}

void getVideoEffectGLSLName(int index, char* buffer) {
  copyName(effectNames, 11, index, buffer);
}

int getVideoTransitionsGLSLTotal() {
  return 11;
}

void getVideoTransitionGLSLName(int index, char* buffer) {
  copyName(transitionNames, 11, index, buffer);
}
