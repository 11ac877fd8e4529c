#include "project/new_project_shaders.h"

namespace quillbarrow {

const char* const kNewFullscreenVertex = R"(#version 150

in vec3 vp;

void main() {
    gl_Position = vec4(vp, 1.0);
}
)";

const char* const kNewCommonFragment = R"(#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
uniform float beat;
uniform vec2 resolution;
out vec4 fragColor;

// What the other effects share. A file that starts with
// #include "shaders/common.frag" gets this whole file, prelude included, in
// place of that line; it is a program of the shader list itself, listed
// before the programs that include it.

// A smooth cycle of colours: t from 0 to 1 goes once round.
vec3 palette(float t)
{
    return 0.5 + 0.5 * cos(6.28318 * (t + vec3(0.0, 0.1, 0.2)));
}

// 1 on each beat, dying away before the next.
float beat_pulse()
{
    return exp(-5.0 * fract(iTime));
}

// Drawn on its own this program shows a swatch of the palette. A file that
// includes it has comment lines above the include, which moves the line
// number checked here, so only the includer's mainImage remains. Keep the
// number equal to the line the #if stands on.
#if __LINE__ == 31
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    fragColor = vec4(palette(fragCoord.x / iResolution.x), 1.0);
}
#endif
)";

const char* const kNewBackgroundFragment =
    R"(// The backdrop: a dusk gradient from the shared palette, rings that travel
// out from the middle, and a glow that flashes on every beat.
#include "shaders/common.frag"

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec2 p = (fragCoord - 0.5 * iResolution.xy) / iResolution.y;
    float r = length(p);
    vec3 col = mix(palette(0.62 + 0.02 * iTime) * 0.35, vec3(0.02, 0.02, 0.05), uv.y);
    float rings = 0.5 + 0.5 * cos(40.0 * r - 3.14159 * iTime);
    col += palette(0.1 * iTime + r) * pow(rings, 8.0) * 0.25 * smoothstep(0.9, 0.1, r);
    col += palette(0.08 * iTime) * beat_pulse() * 0.35 * smoothstep(0.6, 0.0, r);
    col *= 1.0 - 0.5 * dot(p, p);
    fragColor = vec4(col, 1.0);
}
)";

const char* const kNewTitleFragment = R"(// The title: the font texture on tex, in a band at height "band" of the
// screen, tinted by the shared palette and faded in and out by "fade".
#include "shaders/common.frag"
uniform sampler2D tex;
uniform float fade;
uniform float band;

void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    // As tall as the texture's shape needs at this width.
    vec2 size = vec2(textureSize(tex, 0));
    float height = size.y / size.x * iResolution.x / iResolution.y;
    float y = (uv.y - band) / height + 0.5;
    if (y < 0.0 || y > 1.0) discard;
    float ink = texture(tex, vec2(uv.x, 1.0 - y)).a;
    vec3 col = mix(vec3(1.0, 0.97, 0.92), palette(0.3 * uv.x + 0.05 * iTime), 0.1 + 0.2 * beat_pulse());
    fragColor = vec4(col, ink * fade);
}
)";

const char* const kNewSceneVertex = R"(#version 150
#extension GL_ARB_explicit_attrib_location : require

// The stage's geometry as modelled: positions and normals from the model's
// vertex arrays, seen from the camera and, for its shadow, from the light.
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;

uniform mat4 uModelViewProjMatrix;
uniform mat4 uNormalMatrix;
uniform mat4 uModelMatrix;
uniform mat4 uLightMVPMatrix;

out vec3 vNormal;
out vec4 vLight;
out vec3 vWorld;
out vec3 vLocal;

void main() {
    vec4 position = vec4(POSITION, 1.0);
    vLocal = POSITION;
    vNormal = mat3(uNormalMatrix) * NORMAL;
    vLight = uLightMVPMatrix * position;
    vWorld = (uModelMatrix * position).xyz;
    gl_Position = uModelViewProjMatrix * position;
}
)";

const char* const kNewSceneFragment = R"(#version 150

uniform sampler2D uShadowMapTexture;
uniform vec4 uBaseColorFactor;
uniform int uIsShadowRenderPass;
uniform int uTag;
uniform float beat;
// The light's direction: the same tracks that steer the shadow's light.
uniform float ldX;
uniform float ldY;
uniform float ldZ;

in vec3 vNormal;
in vec4 vLight;
in vec3 vWorld;
in vec3 vLocal;
out vec4 fragColor;

// 1 where the light reaches this point, 0 in shadow: its depth seen from
// the light against the nearest surface the shadow pass stored, over four
// taps for a softer edge.
float lit(float bias) {
    vec3 p = vLight.xyz / vLight.w * 0.5 + 0.5;
    if (any(lessThan(p, vec3(0.0))) || any(greaterThan(p, vec3(1.0)))) return 1.0;
    vec2 step = 2.0 / vec2(textureSize(uShadowMapTexture, 0));
    float sum = 0.0;
    for (int i = 0; i < 4; ++i) {
        vec2 offset = vec2(i % 2 == 0 ? -1.0 : 1.0, i < 2 ? -1.0 : 1.0) * step;
        sum += p.z - bias > texture(uShadowMapTexture, p.xy + offset).r ? 0.0 : 1.0;
    }
    return sum / 4.0;
}

void main() {
    // The shadow pass keeps depth only.
    if (uIsShadowRenderPass == 1) {
        fragColor = vec4(1.0);
        return;
    }
    vec3 n = normalize(vNormal);
    vec3 light = normalize(vec3(ldX, ldY, ldZ));
    float diffuse = max(dot(n, light), 0.0);
    vec3 base = uBaseColorFactor.rgb;
    float alpha = 1.0;
    if (uTag == 0) {
        // The floor: a grid of lines that fades out with distance, its edge
        // melting into the backdrop.
        vec2 cell = abs(fract(vWorld.xz) - 0.5);
        base *= 1.0 + 1.5 * smoothstep(0.47, 0.5, max(cell.x, cell.y));
        alpha = 1.0 - smoothstep(4.0, 10.0, length(vWorld.xz));
    }
    vec3 col = base * (0.25 + 0.9 * diffuse * lit(0.00005));
    if (uTag == 1) {
        // The cube's edges glow on the beat.
        // Near an edge the second largest distance from the centre is
        // near the half size too.
        vec3 q = abs(vLocal - vec3(0.0, 0.9, 0.0));
        float second = max(min(q.x, q.y), min(max(q.x, q.y), q.z));
        float edge = smoothstep(0.78, 0.88, second);
        col += base * edge * (0.3 + 0.7 * exp(-5.0 * fract(beat)));
    }
    fragColor = vec4(col, alpha);
}
)";

}  // namespace quillbarrow
