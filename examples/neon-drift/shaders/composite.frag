#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
uniform float beat;
uniform vec2 resolution;
uniform sampler2D tex;   // the logo
uniform sampler2D tex1;  // the glow chain (glow, which reads rings)
uniform float pulse;     // held steps ("Last value")
uniform float slide;     // a straight line ("Linear")
uniform float wave;      // a spline ("Smooth")
out vec4 fragColor;

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec3 glow = texture(tex1, uv).rgb;

    // The logo, square, sliding in from the left and bobbing with the wave.
    vec2 centre = vec2(0.5 + slide, 0.62 + 0.06 * wave);
    vec2 logo_uv = (fragCoord - centre * iResolution.xy) / (0.36 * iResolution.y) + 0.5;
    vec4 logo = vec4(0.0);
    if (all(greaterThanEqual(logo_uv, vec2(0.0))) && all(lessThanEqual(logo_uv, vec2(1.0))))
        logo = texture(tex, vec2(logo_uv.x, 1.0 - logo_uv.y));

    vec3 col = glow * (0.6 + 0.4 * pulse);
    col = mix(col, logo.rgb * (0.8 + 0.4 * pulse), logo.a);
    // Dark parts of the glow let the background through.
    float cover = max(max(glow.r, max(glow.g, glow.b)), logo.a);
    fragColor = vec4(col, clamp(cover * 1.5, 0.0, 1.0));
}
