#!/usr/bin/env python3
"""Writes examples/ember-rig/project.json and its shaders: the bundled 3D
example production, 64 beats (32 s) at 120 BPM. Run from the repository
root, after scripts/make_example_3d_assets.py has made the resources.

What is on screen, back to front:
  sky     a full-screen gradient with drifting embers (2D dialect);
  rig     scene "rig": the floor and a skinned tentacle from creature.glb,
          three of them from beat 16 (render_instances), swaying and then
          curling (animation_index, animation_position), lit by a light
          steered by ldX/ldY/ldZ/ldD that casts their shadows on the floor,
          seen by a camera flown by the camera tracks;
  crystal scene "crystal": the node-animated crystal.glb, looking through
          the rig's camera (camera_scene), its animations played by mask;
          from beat 56 alone ("close-up"), seen through the glTF camera it
          carries ("model_camera"), which circles it;
  grade   a 2D post effect over the captured screen (screen_texture).
"""
import json
import math
import os

ROOT = "examples/ember-rig"
BEATS = 64.0
CLOSE_UP = 56.0


def points(*pairs):
    return [{"beat": float(b), "value": float(v)} for b, v in pairs]


def track(mode, pts, repeat=False):
    return {"mode": mode, "repeat": repeat, "control_points": pts}


LAST_VALUE, LINEAR, SMOOTH = 0, 1, 2


def uniform(name, lo, hi, default):
    return {"name": name, "min_val": float(lo), "max_val": float(hi), "default_val": float(default)}


def shader(vertex, fragment, uniforms=()):
    return {"vertex_shader_filename": vertex, "fragment_shader_filename": fragment,
            "uniform_defs": [uniform(*u) for u in uniforms]}


def effect(name, program, scene=None, screen_texture=False):
    e = {"name": name, "program": program, "textures": [], "effects": [], "font_textures": [],
         "feedback": False, "screen_texture": screen_texture}
    if scene:
        e["scene"] = scene
    return e


def effect_event(name, effect_name, start, end, tracks):
    return {"type": 1, "name": name, "effect": effect_name, "start_beat": float(start), "end_beat": float(end),
            "visible": "true", "control_points": tracks}


# ---------------------------------------------------------------- the flight

# Camera keys every eight beats: eye and look-at point, through a spline.
FLIGHT = [
    # beat, eye, target
    (0, (0.0, 1.5, 12.5), (0.0, 1.9, 0.0)),
    (8, (2.8, 2.2, 8.8), (0.0, 1.8, 0.0)),
    (16, (6.6, 3.3, 6.8), (0.0, 1.4, -0.4)),
    (24, (8.4, 2.1, 1.0), (0.0, 1.6, -0.4)),
    (32, (5.2, 1.3, -6.8), (0.0, 2.0, -0.4)),
    (40, (-3.4, 4.6, -7.4), (0.0, 1.7, -0.4)),
    (48, (-7.8, 6.2, 3.2), (0.0, 1.2, -0.4)),
    (56, (-2.4, 3.2, 8.4), (0.0, 1.6, -0.2)),
    (64, (0.0, 2.4, 11.5), (0.0, 2.0, 0.0)),
]


def camera_tracks():
    tracks = {}
    for axis, i in (("x", 0), ("y", 1), ("z", 2)):
        tracks["camera_position_" + axis] = track(SMOOTH, points(*[(b, eye[i]) for b, eye, _ in FLIGHT]))
        tracks["camera_direction_" + axis] = track(SMOOTH, points(*[(b, aim[i]) for b, _, aim in FLIGHT]))
    return tracks


def light_tracks():
    """The light swings from front-left to back-right over the piece, high
    enough that the shadows stay on the floor near the creatures."""
    keys = []
    for b in range(0, 65, 8):
        angle = -0.9 + 2.2 * b / BEATS
        keys.append((b, 0.62 * math.sin(angle), 0.78, 0.62 * math.cos(angle)))
    return {
        "ldX": track(SMOOTH, points(*[(b, x) for b, x, _, _ in keys])),
        "ldY": track(SMOOTH, points(*[(b, y) for b, _, y, _ in keys])),
        "ldZ": track(SMOOTH, points(*[(b, z) for b, _, _, z in keys])),
        # The light's distance from the camera, and the half size of the area
        # its shadow map covers: the camera is at most about 13 units from
        # the creatures.
        "ldD": track(LAST_VALUE, points((0, 18.0))),
    }


def rig_tracks():
    tracks = camera_tracks()
    tracks.update(light_tracks())
    # One creature, then three side by side.
    tracks["render_instances"] = track(LAST_VALUE, points((0, 1), (16, 3)))
    # Sway (0) for the first half, curl (1), then sway again to close.
    tracks["animation_index"] = track(LAST_VALUE, points((0, 0), (32, 1), (56, 0)))
    # Phase: a sway per bar, a curl every two beats; a point repeated at
    # the same beat restarts the sweep there.
    tracks["animation_position"] = track(LINEAR, points((0, 0), (32, 8), (32, 0), (56, 12), (56, 0), (64, 2)))
    return tracks


def crystal_tracks():
    # Bit masks of the crystal's animations: spin, + orbit, + blink.
    return {
        "animation_index": track(LAST_VALUE, points((0, 1), (8, 3), (24, 7))),
        "animation_position": track(LINEAR, points((0, 0), (56, 14))),
        "appear": track(LINEAR, points((0, 0), (2, 1))),
    }


def close_up_tracks():
    # The last bars look through the crystal's own camera, glTF camera 0 of
    # crystal.glb, which circles it once in eight beats.
    return {
        "model_camera": track(LAST_VALUE, points((0, 0))),
        "animation_index": track(LAST_VALUE, points((0, 7))),
        "animation_position": track(LINEAR, points((0, 14), (8, 15))),
        "appear": track(LAST_VALUE, points((0, 1))),
    }


def grade_tracks():
    flashes = []
    for b in (16, 32, 48):
        flashes += [(b - 0.01, 0), (b, 1), (b + 1.5, 0)]
    return {
        "fade": track(LINEAR, points((0, 0), (2, 1), (61, 1), (64, 0))),
        "flash": track(LINEAR, points((0, 0), *flashes)),
    }


project = {
    "bpm": 120.0,
    "beat_offset": 0.0,
    "end_beat": BEATS,
    "shaders": [
        shader("shaders/fullscreen.vert", "shaders/sky.frag"),
        shader("shaders/fullscreen.vert", "shaders/pbr.frag"),
        shader("shaders/creature.vert", "shaders/creature.frag",
               [("ldX", -1, 1, 0.5), ("ldY", -1, 1, 0.8), ("ldZ", -1, 1, 0.3)]),
        shader("shaders/crystal.vert", "shaders/crystal.frag", [("appear", 0, 1, 1)]),
        shader("shaders/fullscreen.vert", "shaders/grade.frag", [("fade", 0, 1, 1), ("flash", 0, 1, 0)]),
    ],
    "textures": [],
    "audio_samples": [],
    "fonts": [],
    "font_textures": [],
    "datas": [],
    "models": [{"filename": "resources/creature.glb"}, {"filename": "resources/crystal.glb"}],
    "scenes": [
        {"name": "rig",
         "camera": {"position": list(map(float, FLIGHT[0][1])), "direction": list(map(float, FLIGHT[0][2])),
                    "up": [0.0, 1.0, 0.0], "aspect": 16.0 / 9.0, "fov": 46.0, "znear": 0.1, "zfar": 120.0,
                    "direction_mode": False},
         "root_node": {"name": "stage", "model": "resources/creature.glb"},
         "camera_scene_only_direction": False},
        # No camera of its own: it looks through the rig's, so the crystal
        # hangs in the same space as the creatures and is hidden by them.
        {"name": "crystal",
         "root_node": {"name": "crystal", "model": "resources/crystal.glb"},
         "camera_scene": "rig",
         "camera_scene_only_direction": False},
    ],
    "effects": [
        effect("sky", "shaders/sky.frag"),
        effect("rig", "shaders/creature.frag", scene="rig"),
        effect("crystal", "shaders/crystal.frag", scene="crystal"),
        effect("grade", "shaders/grade.frag", screen_texture=True),
    ],
    "event_groups": [],
    "events": [
        effect_event("sky", "sky", 0, BEATS, {}),
        effect_event("rig", "rig", 0, CLOSE_UP, rig_tracks()),
        effect_event("crystal", "crystal", 8, CLOSE_UP, crystal_tracks()),
        effect_event("close-up", "crystal", CLOSE_UP, BEATS, close_up_tracks()),
        effect_event("grade", "grade", 0, BEATS, grade_tracks()),
    ],
}


# ---------------------------------------------------------------- the shaders

FULLSCREEN_VERT = """#version 150

in vec3 vp;

void main() {
gl_Position = vec4(vp, 1.0);
}
"""

PRELUDE = """#version 150
#define mainImage(X,Y) main()
#define iResolution resolution
#define iTime beat
#define fragCoord (gl_FragCoord.xy)
#define iChannel0 tex
#define iChannel1 tex1
#define iChannel2 tex2
#define iChannel3 tex3
uniform int sound;
uniform float beat;
uniform sampler2D tex;
uniform vec2 resolution;
vec2 iMouse = vec2(0., 0.);
out vec4 fragColor;

"""

SKY_FRAG = PRELUDE + """float hash(vec2 p) { return fract(sin(dot(p, vec2(41.3, 289.1))) * 43758.5453); }

// Night above, a smouldering horizon below, and sparks drifting up.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec3 top = vec3(0.03, 0.02, 0.07);
    vec3 horizon = vec3(0.30, 0.10, 0.09);
    vec3 col = mix(horizon, top, smoothstep(0.3, 1.0, uv.y));

    vec2 p = fragCoord / iResolution.y * 16.0;
    p.y -= iTime * 0.5;
    vec2 cell = floor(p);
    float h = hash(cell);
    vec2 f = fract(p) - 0.5 - (vec2(hash(cell + 1.3), hash(cell + 7.1)) - 0.5) * 0.6;
    float spark = smoothstep(0.07, 0.0, length(f)) * step(0.86, h);
    col += vec3(1.0, 0.5, 0.2) * spark * (0.4 + 0.4 * sin(iTime * 3.14159 + h * 40.0)) * uv.y;
    fragColor = vec4(col, 1.0);
}
"""

PBR_FRAG = """#version 150

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
"""

CREATURE_VERT = """#version 150
#extension GL_ARB_explicit_attrib_location : require

// The stage: the floor (tag 0) as modelled, and the tentacle (tag 1)
// skinned by the joint block and repeated side by side, one per instance.
layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;
layout(location = 3) in uvec4 JOINTS_0;
layout(location = 4) in vec4 WEIGHTS_0;

layout(std140) uniform MatricesBlock { mat4 joints[100]; };

uniform mat4 uModelViewProjMatrix;
uniform mat4 uModelViewMatrix;
uniform mat4 uNormalMatrix;
uniform mat4 uModelMatrix;
uniform mat4 uLightMVPMatrix;
uniform int uTag;
uniform int uInstance;

out vec3 vNormal;
out vec3 vViewNormal;
out vec4 vLight;
out vec3 vWorld;
out vec3 vView;
out float vHeight;

// Instance 0 in the middle, the others alternately left and right of it,
// a little further back.
vec3 instance_offset(int i) {
    if (i == 0) return vec3(0.0);
    float side = (i % 2 == 1) ? -1.0 : 1.0;
    float rank = float((i + 1) / 2);
    return vec3(side * 2.6 * rank, 0.0, -0.9 * rank);
}

void main() {
    vec4 position = vec4(POSITION, 1.0);
    vec3 normal = NORMAL;
    vHeight = POSITION.y;
    if (uTag == 1) {
        mat4 skin = WEIGHTS_0.x * joints[JOINTS_0.x] + WEIGHTS_0.y * joints[JOINTS_0.y]
                  + WEIGHTS_0.z * joints[JOINTS_0.z] + WEIGHTS_0.w * joints[JOINTS_0.w];
        position = skin * position;
        normal = mat3(skin) * normal;
        // Each copy turned and sized differently, so one pose reads as three.
        float turn = 2.1 * float(uInstance);
        mat3 spin = mat3(cos(turn), 0.0, -sin(turn), 0.0, 1.0, 0.0, sin(turn), 0.0, cos(turn));
        float size = uInstance == 0 ? 1.0 : 0.82;
        position.xyz = spin * position.xyz * size + instance_offset(uInstance);
        normal = spin * normal;
    } else if (uInstance > 0) {
        // The floor is drawn once: later instances land outside the view.
        gl_Position = vec4(2.0, 2.0, 2.0, 1.0);
        return;
    }
    vNormal = mat3(uNormalMatrix) * normal;
    vViewNormal = mat3(uModelViewMatrix) * vNormal;
    vLight = uLightMVPMatrix * position;
    vWorld = (uModelMatrix * position).xyz;
    vView = (uModelViewMatrix * position).xyz;
    gl_Position = uModelViewProjMatrix * position;
}
"""

CREATURE_FRAG = """// The stage's light and shadows, over the material the PBR include reads.
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
"""

CRYSTAL_VERT = """#version 150
#extension GL_ARB_explicit_attrib_location : require

layout(location = 0) in vec3 POSITION;
layout(location = 1) in vec3 NORMAL;

uniform mat4 uModelViewProjMatrix;
uniform mat4 uModelViewMatrix;

out vec3 vViewNormal;
out vec3 vViewPosition;

void main() {
    vec4 position = vec4(POSITION, 1.0);
    // Node animation moves whole nodes; the world matrix carries it.
    vViewNormal = mat3(uModelViewMatrix) * NORMAL;
    vViewPosition = (uModelViewMatrix * position).xyz;
    gl_Position = uModelViewProjMatrix * position;
}
"""

CRYSTAL_FRAG = """// Shaded by the PBR include: its materials' metal, roughness and glow.
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
"""

GRADE_FRAG = PRELUDE + """uniform float fade;   // to and from black at the ends
uniform float flash;  // a warm flash on the section changes

float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }

// Over the captured screen: slight colour fringes that widen on a flash,
// a vignette, grain that changes every frame of a beat, and the fades.
void mainImage(out vec4 fragColor, in vec2 fragCoord)
{
    vec2 uv = fragCoord / iResolution.xy;
    vec2 c = uv - 0.5;
    float fringe = 0.004 * (1.0 + 3.0 * flash);
    vec3 col = vec3(texture(tex, uv + c * fringe).r, texture(tex, uv).g, texture(tex, uv - c * fringe).b);
    col *= 1.0 - 1.1 * dot(c, c);
    col += (hash(fragCoord + fract(iTime) * 91.0) - 0.5) * 0.03;
    col += vec3(1.0, 0.55, 0.25) * 0.35 * flash;
    fragColor = vec4(col * fade, 1.0);
}
"""

SHADERS = {
    "fullscreen.vert": FULLSCREEN_VERT,
    "sky.frag": SKY_FRAG,
    "pbr.frag": PBR_FRAG,
    "creature.vert": CREATURE_VERT,
    "creature.frag": CREATURE_FRAG,
    "crystal.vert": CRYSTAL_VERT,
    "crystal.frag": CRYSTAL_FRAG,
    "grade.frag": GRADE_FRAG,
}

if __name__ == "__main__":
    os.makedirs(f"{ROOT}/shaders", exist_ok=True)
    for name, source in SHADERS.items():
        with open(f"{ROOT}/shaders/{name}", "w") as f:
            f.write(source)
    with open(f"{ROOT}/project.json", "w") as f:
        json.dump(project, f, indent=2)
        f.write("\n")
