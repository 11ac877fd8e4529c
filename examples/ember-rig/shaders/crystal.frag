#version 150

uniform vec4 uBaseColorFactor;
uniform int uIsShadowRenderPass;
uniform float beat;
uniform float appear;

in vec3 vViewNormal;
in vec3 vViewPosition;
out vec4 fragColor;

// Faceted ice and gold: a key light from above the viewer, a bright
// fresnel edge, and a flicker on the beat.
void main() {
    if (uIsShadowRenderPass == 1) {
        fragColor = vec4(1.0);
        return;
    }
    vec3 n = normalize(vViewNormal);
    vec3 v = normalize(-vViewPosition);
    vec3 key = normalize(vec3(0.3, 0.8, 0.5));
    float diffuse = max(dot(n, key), 0.0);
    float specular = pow(max(dot(reflect(-key, n), v), 0.0), 24.0);
    float fresnel = pow(1.0 - max(dot(n, v), 0.0), 3.0);
    vec3 base = uBaseColorFactor.rgb;
    float flicker = 0.75 + 0.25 * exp(-3.0 * fract(beat));
    vec3 col = base * (0.25 + 0.75 * diffuse) * flicker + vec3(specular) + base * fresnel * 0.8;
    fragColor = vec4(col * appear, 1.0);
}
