// Waveform glow: the master's waveform drawn as a glowing line across the screen; the glow widens with
// the overall loudness of the spectrum.
uniform sampler2D texture;
uniform vec3 _uiResolution;
uniform float _uiTime;

void main() {
  vec2 uv = gl_FragCoord.xy / _uiResolution.xy;
  // Row 1 holds the waveform: 0.5 is silence.
  float wave = texture2D(texture, vec2(uv.x, 0.75)).r;
  float loud = 0.0;
  for (int i = 0; i < 8; i++) loud += texture2D(texture, vec2((float(i) + 0.5) / 64.0, 0.25)).r;
  loud /= 8.0;
  float distance = abs(uv.y - wave);
  float glow = (0.004 + 0.02 * loud) / (distance + 0.002);
  vec3 colour = vec3(0.2, 0.9, 0.7) * glow + vec3(0.4, 0.1, 0.6) * loud * 0.3;
  colour *= 0.9 + 0.1 * sin(_uiTime * 3.0);
  gl_FragColor = vec4(clamp(colour, 0.0, 1.0), 1.0);
}
