// Bass rings: rings running out from the centre, their brightness following the bass and their colour
// the treble.
uniform sampler2D texture;
uniform vec3 _uiResolution;
uniform float _uiTime;

void main() {
  vec2 p = (gl_FragCoord.xy - 0.5 * _uiResolution.xy) / _uiResolution.y;
  float r = length(p);
  float bass = texture2D(texture, vec2(3.5 / 512.0, 0.25)).r;
  float treble = texture2D(texture, vec2(120.5 / 512.0, 0.25)).r;
  float rings = 0.5 + 0.5 * sin(r * 40.0 - _uiTime * 4.0);
  float falloff = smoothstep(0.8, 0.0, r);
  vec3 colour = mix(vec3(1.0, 0.4, 0.1), vec3(0.1, 0.6, 1.0), treble);
  gl_FragColor = vec4(colour * rings * falloff * (0.15 + bass), 1.0);
}
