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

uniform float fade;   // to and from black at the ends
uniform float flash;  // a warm flash on the section changes

float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }

// Over the captured screen: slight colour fringes that widen on a flash,
// a vignette, grain that changes every frame of a beat, and the fades.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec2 c = uv - 0.5;
    float fringe = 0.004 * (1.0 + 3.0 * flash);
    vec3 col = vec3(texture(tex, uv + c * fringe).r, texture(tex, uv).g, texture(tex, uv - c * fringe).b);
    col *= 1.0 - 1.1 * dot(c, c);
    col += (hash(fragCoord + fract(iTime) * 91.0) - 0.5) * 0.03;
    col += vec3(1.0, 0.55, 0.25) * 0.35 * flash;
    fragColor = vec4(col * fade, 1.0);
}
