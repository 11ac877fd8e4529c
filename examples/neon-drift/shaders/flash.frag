#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define fragCoord (gl_FragCoord.xy)
uniform vec2 resolution;
uniform float intensity;
out vec4 fragColor;

// A white flash from the centre; the group event that replays it steers its
// "intensity" through an override track.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 p = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
    float falloff = smoothstep(1.2, 0.0, length(p));
    fragColor = vec4(vec3(1.0), intensity * falloff);
}
