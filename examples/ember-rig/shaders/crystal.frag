// Shaded by the PBR include: its materials' metal, roughness and glow.
#include "shaders/pbr.frag"

uniform int uIsShadowRenderPass;
uniform float beat;
uniform float appear;

in vec3 vViewNormal;
in vec3 vViewPosition;
out vec4 fragColor;

// Faceted ice and gold: a key light from above the viewer with the
// material's own highlight, a bright fresnel edge, glowing shards, and a
// flicker on the beat.
void main() {
    if (uIsShadowRenderPass == 1) {
        fragColor = vec4(1.0);
        return;
    }
    vec3 n = normalize(vViewNormal);
    vec3 v = normalize(-vViewPosition);
    vec3 key = normalize(vec3(0.3, 0.8, 0.5));
    float diffuse = max(dot(n, key), 0.0);
    float fresnel = pow(1.0 - max(dot(n, v), 0.0), 3.0);
    PbrMaterial m = pbr_material(vec2(0.0));
    vec3 base = m.base.rgb;
    float flicker = 0.75 + 0.25 * exp(-3.0 * fract(beat));
    vec3 col = base * (0.25 + 0.75 * diffuse) * flicker * (1.0 - 0.5 * m.metallic)
             + pbr_light(m, n, v, key, vec3(2.5)) + base * fresnel * 0.8 + m.emissive * flicker;
    fragColor = vec4(col * appear, 1.0);
}
