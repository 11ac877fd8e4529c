#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define fragCoord (gl_FragCoord.xy)
uniform vec2 resolution;
uniform sampler2D tex;  // the title text
out vec4 fragColor;

// Shows the title's font texture in a band across the lower third; the text
// is revealed letter by letter by its track.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec2 band = vec2(uv.x, (uv.y - 0.12) / 0.16);
    if (band.y < 0.0 || band.y > 1.0) discard;
    float ink = texture(tex, vec2(band.x, 1.0 - band.y)).a;
    fragColor = vec4(vec3(1.0, 0.95, 0.8), ink);
}
