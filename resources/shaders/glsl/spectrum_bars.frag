// Spectrum bars: 64 bars over the lower half of the spectrum, each as tall as its band is loud, coloured
// from deep blue (bass) to magenta (treble), with a soft reflection below the floor line.
uniform sampler2D texture;
uniform vec3 _uiResolution;
uniform float _uiTime;

float band(float x) {
  // Row 0 of the audio texture holds the spectrum; the lower bins carry most of the music.
  return texture2D(texture, vec2(x * 0.5, 0.25)).r;
}

void main() {
  vec2 uv = gl_FragCoord.xy / _uiResolution.xy;
  float bars = 64.0;
  float index = floor(uv.x * bars);
  float centre = (index + 0.5) / bars;
  float level = band(centre);
  float inBar = step(0.15, fract(uv.x * bars)) * step(fract(uv.x * bars), 0.85);
  float floorY = 0.2;
  vec3 colour = mix(vec3(0.1, 0.3, 1.0), vec3(1.0, 0.2, 0.8), centre);
  colour *= 0.8 + 0.2 * sin(_uiTime * 2.0 + centre * 6.2831);
  float height = uv.y - floorY;
  float lit = height >= 0.0 ? step(height, level * (1.0 - floorY)) : step(-height * 3.0, level) * 0.3;
  gl_FragColor = vec4(colour * lit * inBar, 1.0);
}
