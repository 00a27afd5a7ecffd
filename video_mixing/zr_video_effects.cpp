#include "video_mixing/zr_video_effects.h"

namespace {

#define ORVEL_EFFECT_HEAD        \
  "#version 120\n"               \
  "uniform sampler2D texture;\n" \
  "uniform float totalTime;\n"   \
  "vec4 at(vec2 p) { return texture2D(texture, clamp(p, 0.0, 1.0)); }\n"

// index 1..10 of the effect list: Water, ZoomBlur, Invert, Toon, Tiles, Red, Green, Blue, B/W, Sepia.
const char* const kEffects[] = {
    nullptr,
    ORVEL_EFFECT_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  p += 0.012 * vec2(sin(p.y * 40.0 + totalTime * 3.0), cos(p.x * 40.0 + totalTime * 3.0));\n"
    "  gl_FragColor = vec4(at(p).rgb, gl_Color.a);\n"
    "}\n",
    ORVEL_EFFECT_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  vec2 toCentre = vec2(0.5) - p;\n"
    "  vec3 sum = vec3(0.0);\n"
    "  for (int i = 0; i < 12; i++) sum += at(p + toCentre * (float(i) * 0.02)).rgb;\n"
    "  gl_FragColor = vec4(sum / 12.0, gl_Color.a);\n"
    "}\n",
    ORVEL_EFFECT_HEAD
    "void main() { gl_FragColor = vec4(vec3(1.0) - at(gl_TexCoord[0].st).rgb, gl_Color.a); }\n",
    ORVEL_EFFECT_HEAD
    "void main() {\n"
    "  vec3 c = floor(at(gl_TexCoord[0].st).rgb * 4.0 + 0.5) / 4.0;\n"
    "  gl_FragColor = vec4(c, gl_Color.a);\n"
    "}\n",
    ORVEL_EFFECT_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  vec2 cell = floor(p * 24.0);\n"
    "  vec2 inCell = fract(p * 24.0);\n"
    "  vec3 c = at((cell + 0.5) / 24.0).rgb;\n"
    "  if (inCell.x < 0.08 || inCell.y < 0.08) c *= 0.5;\n"
    "  gl_FragColor = vec4(c, gl_Color.a);\n"
    "}\n",
    ORVEL_EFFECT_HEAD "void main() { gl_FragColor = vec4(at(gl_TexCoord[0].st).r, 0.0, 0.0, gl_Color.a); }\n",
    ORVEL_EFFECT_HEAD "void main() { gl_FragColor = vec4(0.0, at(gl_TexCoord[0].st).g, 0.0, gl_Color.a); }\n",
    ORVEL_EFFECT_HEAD "void main() { gl_FragColor = vec4(0.0, 0.0, at(gl_TexCoord[0].st).b, gl_Color.a); }\n",
    ORVEL_EFFECT_HEAD
    "void main() {\n"
    "  float y = dot(at(gl_TexCoord[0].st).rgb, vec3(0.299, 0.587, 0.114));\n"
    "  gl_FragColor = vec4(vec3(y), gl_Color.a);\n"
    "}\n",
    ORVEL_EFFECT_HEAD
    "void main() {\n"
    "  vec3 c = at(gl_TexCoord[0].st).rgb;\n"
    "  vec3 s = vec3(dot(c, vec3(0.393, 0.769, 0.189)), dot(c, vec3(0.349, 0.686, 0.168)),\n"
    "                dot(c, vec3(0.272, 0.534, 0.131)));\n"
    "  gl_FragColor = vec4(min(s, vec3(1.0)), gl_Color.a);\n"
    "}\n",
};

#define ORVEL_TRANSITION_HEAD                                               \
  "#version 120\n"                                                          \
  "uniform sampler2D texture;\n"                                            \
  "uniform sampler2D textureMask;\n"                                        \
  "uniform float mix_;\n"                                                   \
  "vec4 b(vec2 p) { return texture2D(texture, clamp(p, 0.0, 1.0)); }\n"     \
  "vec4 a(vec2 p) { return texture2D(textureMask, clamp(p, 0.0, 1.0)); }\n" \
  "void put(vec3 c) { gl_FragColor = vec4(c, 1.0); }\n"

// index 1..10 of the transition list: Cut, Slide H, Slide V, Wave, Circle, Swipe H, Swipe V, Pixelate,
// Blinds, Blur. Deck B comes in as mix_ grows.
const char* const kTransitions[] = {
    nullptr,
    ORVEL_TRANSITION_HEAD
    "void main() { vec2 p = gl_TexCoord[0].st; put(mix_ < 0.5 ? a(p).rgb : b(p).rgb); }\n",
    ORVEL_TRANSITION_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  if (p.x < mix_) put(b(vec2(p.x + 1.0 - mix_, p.y)).rgb); else put(a(vec2(p.x - mix_, p.y)).rgb);\n"
    "}\n",
    ORVEL_TRANSITION_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  if (p.y < mix_) put(b(vec2(p.x, p.y + 1.0 - mix_)).rgb); else put(a(vec2(p.x, p.y - mix_)).rgb);\n"
    "}\n",
    ORVEL_TRANSITION_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  float edge = mix_ * 1.2 - 0.1 + 0.1 * sin(p.y * 25.0);\n"
    "  put(p.x < edge ? b(p).rgb : a(p).rgb);\n"
    "}\n",
    ORVEL_TRANSITION_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  put(distance(p, vec2(0.5)) < mix_ * 0.7072 ? b(p).rgb : a(p).rgb);\n"
    "}\n",
    ORVEL_TRANSITION_HEAD
    "void main() { vec2 p = gl_TexCoord[0].st; put(p.x < mix_ ? b(p).rgb : a(p).rgb); }\n",
    ORVEL_TRANSITION_HEAD
    "void main() { vec2 p = gl_TexCoord[0].st; put(p.y < mix_ ? b(p).rgb : a(p).rgb); }\n",
    ORVEL_TRANSITION_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  float cells = mix(512.0, 12.0, 1.0 - abs(2.0 * mix_ - 1.0));\n"
    "  vec2 q = (floor(p * cells) + 0.5) / cells;\n"
    "  put(mix(a(q).rgb, b(q).rgb, step(0.5, mix_)));\n"
    "}\n",
    ORVEL_TRANSITION_HEAD
    "void main() { vec2 p = gl_TexCoord[0].st; put(fract(p.y * 10.0) < mix_ ? b(p).rgb : a(p).rgb); }\n",
    ORVEL_TRANSITION_HEAD
    "void main() {\n"
    "  vec2 p = gl_TexCoord[0].st;\n"
    "  float r = 0.03 * (1.0 - abs(2.0 * mix_ - 1.0));\n"
    "  vec3 sa = vec3(0.0), sb = vec3(0.0);\n"
    "  for (int i = -2; i <= 2; i++) {\n"
    "    for (int j = -2; j <= 2; j++) {\n"
    "      vec2 o = vec2(float(i), float(j)) * r * 0.5;\n"
    "      sa += a(p + o).rgb;\n"
    "      sb += b(p + o).rgb;\n"
    "    }\n"
    "  }\n"
    "  put(mix(sa, sb, mix_) / 25.0);\n"
    "}\n",
};

constexpr int kCount = 11;

}  // namespace

const char* videoEffectShaderSource(int index) {
  return index > 0 && index < kCount ? kEffects[index] : nullptr;
}

const char* videoTransitionShaderSource(int index) {
  return index > 0 && index < kCount ? kTransitions[index] : nullptr;
}
