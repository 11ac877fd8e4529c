#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
#define iChannel0 tex
#define iChannel1 tex1
#define iChannel2 tex2
#define iChannel3 tex3
uniform int sound;
uniform float beat;
uniform sampler2D tex;
uniform vec2 resolution;
vec2 iMouse = vec2(0., 0.);
out vec4 fragColor;

float hash(vec2 p) { return fract(sin(dot(p, vec2(41.3, 289.1))) * 43758.5453); }

// Night above, a smouldering horizon below, and sparks drifting up.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec3 top = vec3(0.03, 0.02, 0.07);
    vec3 horizon = vec3(0.30, 0.10, 0.09);
    vec3 col = mix(horizon, top, smoothstep(0.3, 1.0, uv.y));

    vec2 p = fragCoord / iResolution.y * 16.0;
    p.y -= iTime * 0.5;
    vec2 cell = floor(p);
    float h = hash(cell);
    vec2 f = fract(p) - 0.5 - (vec2(hash(cell + 1.3), hash(cell + 7.1)) - 0.5) * 0.6;
    float spark = smoothstep(0.07, 0.0, length(f)) * step(0.86, h);
    col += vec3(1.0, 0.5, 0.2) * spark * (0.4 + 0.4 * sin(iTime * 3.14159 + h * 40.0)) * uv.y;
    fragColor = vec4(col, 1.0);
}
