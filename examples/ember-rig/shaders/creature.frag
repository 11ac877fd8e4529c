// The stage's light and shadows, over the material the PBR include reads.
#include "shaders/pbr.frag"

uniform sampler2D uShadowMapTexture;
uniform int uIsShadowRenderPass;
uniform int uTag;
uniform float beat;
// The light direction: the same tracks that steer the light camera.
uniform float ldX;
uniform float ldY;
uniform float ldZ;

in vec3 vNormal;
in vec3 vViewNormal;
in vec4 vLight;
in vec3 vWorld;
in vec3 vView;
in float vHeight;
out vec4 fragColor;

// Share of five shadow-map taps that see this point from the light.
float lit_fraction(float bias) {
    vec3 p = vLight.xyz / vLight.w * 0.5 + 0.5;
    if (any(lessThan(p, vec3(0.0))) || any(greaterThan(p, vec3(1.0)))) return 1.0;
    vec2 spread = 4.0 / vec2(textureSize(uShadowMapTexture, 0));
    const vec2 taps[5] = vec2[5](vec2(0.0), vec2(1.0, 1.0), vec2(-1.0, 1.0), vec2(1.0, -1.0), vec2(-1.0, -1.0));
    float lit = 0.0;
    for (int i = 0; i < 5; ++i)
        lit += (p.z - bias > texture(uShadowMapTexture, p.xy + taps[i] * spread).r) ? 0.0 : 1.0;
    return lit / 5.0;
}

void main() {
    // The shadow pass keeps depth only.
    if (uIsShadowRenderPass == 1) {
        fragColor = vec4(1.0);
        return;
    }
    vec3 n = normalize(vNormal);
    vec3 light = normalize(vec3(ldX, ldY, ldZ));
    // Per fragment: the floor is one large quad, so a distance interpolated
    // between its corners would be far too large near the camera.
    float distance = length(vView);
    float diffuse = max(dot(n, light), 0.0);
    PbrMaterial m = pbr_material(vec2(0.0));
    vec3 col;
    if (uTag == 0) {
        vec2 cell = abs(fract(vWorld.xz) - 0.5);
        float line = smoothstep(0.46, 0.5, max(cell.x, cell.y)) * (1.0 - smoothstep(5.0, 15.0, distance));
        vec3 base = uBaseColorFactor.rgb * (1.0 + 0.35 * line);
        col = base * (0.22 + 0.85 * diffuse * lit_fraction(0.00003));
    } else {
        float t = clamp(vHeight / 3.7, 0.0, 1.0);
        vec3 base = mix(vec3(0.32, 0.05, 0.03), uBaseColorFactor.rgb, smoothstep(0.0, 0.55, t));
        base = mix(base, vec3(1.0, 0.86, 0.4), smoothstep(0.75, 1.0, t));
        float pulse = exp(-4.0 * fract(beat));
        float rim = pow(1.0 - abs(normalize(vViewNormal).z), 2.0);
        col = base * (0.3 + 0.75 * diffuse * lit_fraction(0.00015))
            + m.emissive * (0.2 + 0.5 * pulse) * t * t
            + vec3(1.0, 0.45, 0.15) * rim * 0.45;
    }
    col = mix(col, vec3(0.30, 0.10, 0.09), smoothstep(12.0, 30.0, distance));
    fragColor = vec4(col, 1.0);
}
