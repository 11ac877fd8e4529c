#version 150

// glTF metallic-roughness shading for scene effects, pulled in with
// #include "shaders/pbr.frag" below a comment line at the top of a scene's
// fragment shader (this file brings the #version line). It declares every
// material uniform the model renderer sends and offers:
//   pbr_uv(transform, set, uv0, uv1)   a texture's coordinates (KHR_texture_transform)
//   pbr_material(uv)                   factors times textures, where present
//   pbr_normal(n, tangent, uv)         n bent by the normal texture, if any
//   pbr_light(m, n, v, l, radiance)    one light: GGX, Smith, Schlick
//   pbr_ambient(m, ambient)            ambient light, occluded
//   pbr_masked(alpha)                  whether MASK cuts this fragment away
uniform vec4 uBaseColorFactor;
uniform sampler2D uBaseColorTexture;
uniform int uHasBaseColorTexture;
uniform float uMetallicFactor;
uniform float uRougnessFactor;
uniform sampler2D uMetallicRoughnessTexture;
uniform int uHasMetallicRoughnessTexture;
uniform sampler2D uNormalTexture;
uniform int uHasNormalTexture;
uniform float uNormalScale;
uniform sampler2D uOcclusionTexture;
uniform int uHasOcclusionTexture;
uniform float uOcclusionStrength;
uniform vec3 uEmissiveFactor;
uniform sampler2D uEmissiveTexture;
uniform int uHasEmissiveTexture;
uniform float uEmissiveStrength;
uniform int uAlphaMode;
uniform float uAlphaCutoff;

struct PbrMaterial {
    vec4 base;        // linear colour and alpha
    float metallic;
    float roughness;
    float occlusion;  // 1: unoccluded
    vec3 emissive;
};

vec2 pbr_uv(mat3 transform, int set, vec2 uv0, vec2 uv1) {
    return (transform * vec3(set == 1 ? uv1 : uv0, 1.0)).xy;
}

PbrMaterial pbr_material(vec2 uv) {
    PbrMaterial m;
    m.base = uBaseColorFactor;
    if (uHasBaseColorTexture == 1) m.base *= texture(uBaseColorTexture, uv);
    m.metallic = uMetallicFactor;
    m.roughness = uRougnessFactor;
    if (uHasMetallicRoughnessTexture == 1) {
        vec4 mr = texture(uMetallicRoughnessTexture, uv);
        m.metallic *= mr.b;
        m.roughness *= mr.g;
    }
    m.metallic = clamp(m.metallic, 0.0, 1.0);
    m.roughness = clamp(m.roughness, 0.04, 1.0);
    m.occlusion = 1.0;
    if (uHasOcclusionTexture == 1)
        m.occlusion = 1.0 + uOcclusionStrength * (texture(uOcclusionTexture, uv).r - 1.0);
    m.emissive = uEmissiveFactor * uEmissiveStrength;
    if (uHasEmissiveTexture == 1) m.emissive *= texture(uEmissiveTexture, uv).rgb;
    return m;
}

vec3 pbr_normal(vec3 n, vec4 tangent, vec2 uv) {
    n = normalize(n);
    if (uHasNormalTexture != 1 || dot(tangent.xyz, tangent.xyz) < 1e-8) return n;
    vec3 t = normalize(tangent.xyz - n * dot(n, tangent.xyz));
    vec3 b = cross(n, t) * (tangent.w < 0.0 ? -1.0 : 1.0);
    vec3 bent = texture(uNormalTexture, uv).xyz * 2.0 - 1.0;
    bent.xy *= uNormalScale;
    return normalize(mat3(t, b, n) * bent);
}

vec3 pbr_light(PbrMaterial m, vec3 n, vec3 v, vec3 l, vec3 radiance) {
    vec3 h = normalize(v + l);
    float nl = max(dot(n, l), 0.0), nv = max(dot(n, v), 1e-4), nh = max(dot(n, h), 0.0);
    float a = m.roughness * m.roughness, a2 = a * a;
    float d = a2 / (3.14159265 * pow(nh * nh * (a2 - 1.0) + 1.0, 2.0));
    float k = a / 2.0;
    float g = (nl / (nl * (1.0 - k) + k)) * (nv / (nv * (1.0 - k) + k));
    vec3 f0 = mix(vec3(0.04), m.base.rgb, m.metallic);
    vec3 f = f0 + (1.0 - f0) * pow(1.0 - max(dot(h, v), 0.0), 5.0);
    vec3 specular = d * g * f / max(4.0 * nl * nv, 1e-4);
    vec3 diffuse = (1.0 - f) * (1.0 - m.metallic) * m.base.rgb / 3.14159265;
    return (diffuse + specular) * radiance * nl;
}

vec3 pbr_ambient(PbrMaterial m, vec3 ambient) {
    return ambient * m.base.rgb * mix(1.0, 0.3, m.metallic) * m.occlusion;
}

bool pbr_masked(float alpha) { return uAlphaMode == 1 && alpha < uAlphaCutoff; }

// Drawn on its own, this program shows a lit sphere of the current material
// values. An including shader puts the directive below a comment line, which
// moves the line number checked here, so only the includer's main remains.
#if __LINE__ == 99
out vec4 fragColor;
uniform vec2 resolution;
void main() {
    vec2 p = (gl_FragCoord.xy - 0.5 * resolution) / (0.45 * resolution.y);
    if (dot(p, p) > 1.0) { fragColor = vec4(0.0, 0.0, 0.0, 1.0); return; }
    vec3 n = vec3(p, sqrt(1.0 - dot(p, p)));
    PbrMaterial m = pbr_material(p * 0.5 + 0.5);
    vec3 col = pbr_light(m, n, vec3(0.0, 0.0, 1.0), normalize(vec3(0.5, 0.7, 0.6)), vec3(3.0))
             + pbr_ambient(m, vec3(0.1)) + m.emissive;
    fragColor = vec4(col, 1.0);
}
#endif
