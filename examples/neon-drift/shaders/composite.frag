#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
uniform float beat;
uniform vec2 resolution;
uniform sampler2D tex;   // feedback: the screen as it was before this draw
uniform sampler2D tex1;  // the logo
uniform sampler2D tex2;  // the glow chain
uniform float pulse;     // held steps ("Last value")
uniform float slide;     // a straight line ("Linear")
uniform float wave;      // a spline ("Smooth")
out vec4 fragColor;

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    // Trails: the previous frame, zoomed in a little and faded.
    vec2 zoom = (uv - 0.5) * 0.985 + 0.5;
    vec3 trail = texture(tex, zoom).rgb * 0.86;
    vec3 glow = texture(tex2, uv).rgb;

    // The logo, square, sliding in from the left and bobbing with the wave.
    float aspect = iResolution.x / iResolution.y;
    vec2 logo_uv = vec2((uv.x - slide) * aspect, uv.y - 0.1 * wave) * 2.2 + vec2(0.5, -0.6);
    vec4 logo = vec4(0.0);
    if (all(greaterThanEqual(logo_uv, vec2(0.0))) && all(lessThanEqual(logo_uv, vec2(1.0))))
        logo = texture(tex1, vec2(logo_uv.x, 1.0 - logo_uv.y));

    vec3 col = max(trail, glow * (0.6 + 0.4 * pulse));
    col = mix(col, logo.rgb * (0.8 + 0.4 * pulse), logo.a);
    fragColor = vec4(col, 1.0);
}
