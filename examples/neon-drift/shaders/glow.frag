// Glow: blurs the rings (its input effect, on tex) and tints them with the
// shared palette. The include stands below these two comment lines.
#include "shaders/palette.frag"

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec2 px = 2.0 / iResolution.xy;
    vec3 sum = vec3(0.0);
    for (int i = -3; i <= 3; ++i)
        for (int j = -3; j <= 3; ++j)
            sum += texture(tex, uv + vec2(i, j) * px).rgb;
    float glow = sum.r / 49.0;
    fragColor = vec4(palette(glow * 0.6 + iTime * 0.05) * glow * 1.4, 1.0);
}
