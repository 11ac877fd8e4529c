#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
uniform float beat;
uniform vec2 resolution;
uniform int sound;
uniform sampler2D sound_texture;  // row 0: spectrum, row 1: waveform
out vec4 fragColor;

// Spectrum bars along the bottom and the waveform as a line, from the live mix.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    float bars = 64.0;
    float column = (floor(uv.x * bars) + 0.5) / bars;
    float level = texture(sound_texture, vec2(column * 0.5, 0.25)).r;
    float bar = step(uv.y, level * 0.3) * step(0.15, fract(uv.x * bars));
    float wave = texture(sound_texture, vec2(uv.x, 0.75)).r;
    float line = smoothstep(0.006, 0.0, abs(uv.y - 0.5 - (wave - 0.5) * 0.4));
    float glow = float(sound) / 32768.0;
    vec3 col = vec3(0.2, 0.8, 1.0) * bar + vec3(1.0, 0.4, 0.8) * line * (0.4 + glow * 4.0);
    fragColor = vec4(col, max(bar, line) * 0.85);
}
