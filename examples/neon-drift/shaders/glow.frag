// Glow: blurs the rings (its input effect, on tex1), keeps a fading trail of
// its own last output (feedback, on tex) and tints it with the shared
// palette. The include stands below these comment lines on purpose.
#include "shaders/palette.frag"
uniform sampler2D tex1;

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec2 px = 2.0 / iResolution.xy;
    float sum = 0.0;
    for (int i = -3; i <= 3; ++i)
        for (int j = -3; j <= 3; ++j)
            sum += texture(tex1, uv + vec2(i, j) * px).r;
    float glow = sum / 49.0;
    vec3 fresh = palette(glow * 0.6 + iTime * 0.05) * glow * 1.4;
    vec3 trail = texture(tex, (uv - 0.5) * 0.98 + 0.5).rgb * 0.9;
    fragColor = vec4(max(fresh, trail), 1.0);
}
