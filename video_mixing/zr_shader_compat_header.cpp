#include "video_mixing/zr_shader_compat_header.h"

namespace {

// Written for the translator: it reads this dialect and prints the desktop program, renaming the inputs
// below to the names the texture sets ("_u" in front).
constexpr const char kHeader[] =
    R"GLSL(// ---- compatibility header: what the shader's own code expects to find ----
#ifdef GL_ES
precision highp float;
precision highp int;
#endif

// Texture look-ups under the newer names.
vec4 texture(sampler2D s, vec2 uv) { return texture2D(s, uv); }
vec4 texture(sampler2D s, vec2 uv, float bias) { return texture2D(s, uv, bias); }
vec4 texture(samplerCube s, vec3 dir) { return textureCube(s, dir); }
vec4 texture(samplerCube s, vec3 dir, float bias) { return textureCube(s, dir, bias); }

// Rounding.
float round(float x) { return floor(x + 0.5); }
vec2 round(vec2 x) { return floor(x + 0.5); }
vec3 round(vec3 x) { return floor(x + 0.5); }
vec4 round(vec4 x) { return floor(x + 0.5); }
float trunc(float x, float n) { return floor(x * n) / n; }

// Matrices.
mat3 transpose(mat3 m) {
  return mat3(m[0].x, m[1].x, m[2].x,
              m[0].y, m[1].y, m[2].y,
              m[0].z, m[1].z, m[2].z);
}
float determinant(mat2 m) { return m[0].x * m[1].y - m[0].y * m[1].x; }
float determinant(mat4 m) {
  float b00 = m[0].x * m[1].y - m[0].y * m[1].x;
  float b01 = m[0].x * m[1].z - m[0].z * m[1].x;
  float b02 = m[0].x * m[1].w - m[0].w * m[1].x;
  float b03 = m[0].y * m[1].z - m[0].z * m[1].y;
  float b04 = m[0].y * m[1].w - m[0].w * m[1].y;
  float b05 = m[0].z * m[1].w - m[0].w * m[1].z;
  float b06 = m[2].x * m[3].y - m[2].y * m[3].x;
  float b07 = m[2].x * m[3].z - m[2].z * m[3].x;
  float b08 = m[2].x * m[3].w - m[2].w * m[3].x;
  float b09 = m[2].y * m[3].z - m[2].z * m[3].y;
  float b10 = m[2].y * m[3].w - m[2].w * m[3].y;
  float b11 = m[2].z * m[3].w - m[2].w * m[3].z;
  return b00 * b11 - b01 * b10 + b02 * b09 + b03 * b08 - b04 * b07 + b05 * b06;
}
mat2 inverse(mat2 m) {
  return mat2(m[1].y, -m[0].y, -m[1].x, m[0].x) / determinant(m);
}
mat4 inverse(mat4 m) {
  float a00 = m[0].x, a01 = m[0].y, a02 = m[0].z, a03 = m[0].w;
  float a10 = m[1].x, a11 = m[1].y, a12 = m[1].z, a13 = m[1].w;
  float a20 = m[2].x, a21 = m[2].y, a22 = m[2].z, a23 = m[2].w;
  float a30 = m[3].x, a31 = m[3].y, a32 = m[3].z, a33 = m[3].w;
  float b00 = a00 * a11 - a01 * a10, b01 = a00 * a12 - a02 * a10;
  float b02 = a00 * a13 - a03 * a10, b03 = a01 * a12 - a02 * a11;
  float b04 = a01 * a13 - a03 * a11, b05 = a02 * a13 - a03 * a12;
  float b06 = a20 * a31 - a21 * a30, b07 = a20 * a32 - a22 * a30;
  float b08 = a20 * a33 - a23 * a30, b09 = a21 * a32 - a22 * a31;
  float b10 = a21 * a33 - a23 * a31, b11 = a22 * a33 - a23 * a32;
  float det = b00 * b11 - b01 * b10 + b02 * b09 + b03 * b08 - b04 * b07 + b05 * b06;
  return mat4(a11 * b11 - a12 * b10 + a13 * b09, a02 * b10 - a01 * b11 - a03 * b09,
              a31 * b05 - a32 * b04 + a33 * b03, a22 * b04 - a21 * b05 - a23 * b03,
              a12 * b08 - a10 * b11 - a13 * b07, a00 * b11 - a02 * b08 + a03 * b07,
              a32 * b02 - a30 * b05 - a33 * b01, a20 * b05 - a22 * b02 + a23 * b01,
              a10 * b10 - a11 * b08 + a13 * b06, a01 * b08 - a00 * b10 - a03 * b06,
              a30 * b04 - a31 * b02 + a33 * b00, a21 * b02 - a20 * b04 - a23 * b00,
              a11 * b07 - a10 * b09 - a12 * b06, a00 * b09 - a01 * b07 + a02 * b06,
              a31 * b01 - a30 * b03 - a32 * b00, a20 * b03 - a21 * b01 + a22 * b00) / det;
}

// Hyperbolic functions and their inverses.
float sinh(float x) { return (exp(x) - exp(-x)) * 0.5; }
float cosh(float x) { return (exp(x) + exp(-x)) * 0.5; }
float tanh(float x) { float e = exp(2.0 * x); return (e - 1.0) / (e + 1.0); }
float coth(float x) { float e = exp(2.0 * x); return (e + 1.0) / (e - 1.0); }
float sech(float x) { return 2.0 / (exp(x) + exp(-x)); }
float csch(float x) { return 2.0 / (exp(x) - exp(-x)); }
float asinh(float x) { return log(x + sqrt(x * x + 1.0)); }
float acosh(float x) { return log(x + sqrt(x * x - 1.0)); }
float atanh(float x) { return 0.5 * log((1.0 + x) / (1.0 - x)); }
float acoth(float x) { return 0.5 * log((x + 1.0) / (x - 1.0)); }
float asech(float x) { return log((1.0 + sqrt(1.0 - x * x)) / x); }
float acsch(float x) { return log(1.0 / x + sqrt(1.0 / (x * x) + 1.0)); }

// The service's standard inputs. The channels are never bound apart: all of them read the audio
// picture (row 0 the spectrum, row 1 the waveform).
uniform vec3 iResolution;
uniform float iTime;
uniform float iTimeDelta;
uniform int iFrame;
uniform float iFrameRate;
uniform float iChannelTime[4];
uniform vec3 iChannelResolution[4];
uniform vec4 iMouse;
uniform sampler2D iChannel0;
uniform sampler2D iChannel1;
uniform sampler2D iChannel2;
uniform sampler2D iChannel3;
uniform vec4 iDate;
uniform float iSampleRate;
struct Channel {
  vec3 resolution;
  float time;
};
uniform Channel iChannel[4];

void mainImage(out vec4 fragColor, in vec2 fragCoord);

void main() {
  vec4 colour = vec4(0.0, 0.0, 0.0, 1.0);
  mainImage(colour, gl_FragCoord.xy);
  colour.a = 1.0;
  gl_FragColor = colour;
}
// ---- the shader's own code ----
)GLSL";

}  // namespace

const char* shaderCompatibilityHeader() {
  return kHeader;
}
