#version 150
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
